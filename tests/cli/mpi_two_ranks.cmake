# Runs spi-sim with --threads 2 and under mpirun with 2 processes of 1 thread, the same seed, and
# requires the same counts: both divide the run into the same two parts. The same for "Стат 1", a
# sweep, a run ended by the stopping rule and a run of the research generator.
# Called as: cmake -DMPIEXEC=... -DSIM=... -P mpi_two_ranks.cmake
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
set(launcher ${MPIEXEC} --oversubscribe -n 2)
if(uid STREQUAL "0")
  list(APPEND launcher --allow-run-as-root)
endif()

function(run_sim out)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE errors)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nexit ${rc}\n${errors}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Everything but the time taken and the command line and threads, which differ.
function(counts json out)
  foreach(key elapsedSeconds command threads)
    string(JSON json REMOVE "${json}" ${key})
  endforeach()
  set(${out} "${json}" PARENT_SCOPE)
endfunction()

set(run --seed 2024 --words 30001 --set ilvL=3 --set ilvC=13 --json - --quiet)
run_sim(threads ${SIM} ${run} --threads 2)
run_sim(ranks ${launcher} ${SIM} ${run})
counts("${threads}" a)
counts("${ranks}" b)
if(NOT a STREQUAL b)
  message(FATAL_ERROR "2 threads:\n${a}\n2 processes:\n${b}")
endif()
string(JSON words GET "${a}" words)
if(NOT words EQUAL 30000)
  message(FATAL_ERROR "expected 10000 blocks of 3 words:\n${a}")
endif()

set(run --test stat1 --seed 7 --words 5001 --json - --quiet)
run_sim(threads ${SIM} ${run} --threads 2)
run_sim(ranks ${launcher} ${SIM} ${run})
counts("${threads}" a)
counts("${ranks}" b)
if(NOT a STREQUAL b)
  message(FATAL_ERROR "Стат 1, 2 threads:\n${a}\n2 processes:\n${b}")
endif()

set(sweep sweep --param contHp --values 2,6 --seed 11 --words 4000 --csv -)
run_sim(threads ${SIM} ${sweep} --threads 2)
run_sim(ranks ${launcher} ${SIM} ${sweep})
# The first line is the command line, which differs.
string(REGEX REPLACE "^#[^\n]*\n" "" threads "${threads}")
string(REGEX REPLACE "^#[^\n]*\n" "" ranks "${ranks}")
if(NOT threads STREQUAL ranks)
  message(FATAL_ERROR "sweep, 2 threads:\n${threads}\n2 processes:\n${ranks}")
endif()

# The stopping rule divides N as it divides the words: the same stop either way.
set(run --seed 3 --max-word-errors 41 --words 1000000 --json - --quiet)
run_sim(threads ${SIM} ${run} --threads 2)
run_sim(ranks ${launcher} ${SIM} ${run})
counts("${threads}" a)
counts("${ranks}" b)
string(JSON words GET "${a}" words)
if(NOT a STREQUAL b OR words EQUAL 1000000)
  message(FATAL_ERROR "stopping rule, 2 threads:\n${a}\n2 processes:\n${b}")
endif()

# The research generator lays the run in the same stretches however it is divided: one thread
# here counts as two processes do.
set(run --generator philox --seed 5 --words 140000 --json - --quiet)
run_sim(threads ${SIM} ${run} --threads 1)
run_sim(ranks ${launcher} ${SIM} ${run})
counts("${threads}" a)
counts("${ranks}" b)
string(JSON generator GET "${a}" generator)
if(NOT a STREQUAL b OR NOT generator STREQUAL "philox")
  message(FATAL_ERROR "philox, 1 thread:\n${a}\n2 processes:\n${b}")
endif()

# --version runs nothing: the first process prints it once, and every process exits 0.
run_sim(version ${launcher} ${SIM} --version)
if(NOT version MATCHES "^spi-sim [0-9]+\\.[0-9]+\\.[0-9]+\nLicence: GPL-3.0-or-later\n$")
  message(FATAL_ERROR "--version under mpirun:\n${version}")
endif()
