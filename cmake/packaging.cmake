# Installation and the Debian package.
#
#   cmake --install build [--prefix DIR]     the programs, their desktop entry, icon, manual page,
#                                             bash completion and documents
#   (cd build && cpack -G DEB)               spi-workbench_<version>_<arch>.deb, prefix /usr, its
#                                             dependencies computed by dpkg-shlibdeps
#
# Included at the end of the top CMakeLists.txt, once every target exists.
include(GNUInstallDirs)

set(SPI_PACKAGE_MAINTAINER "spi-workbench developers <spi-workbench@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(SPI_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/spi-workbench")

# The programs. The engine's libraries are static, so the programs carry all of the project's code
# and dpkg-shlibdeps sees only the system's libraries behind them.
install(TARGETS spi-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET spi-workbench)
  install(TARGETS spi-workbench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES packaging/spi-workbench.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES packaging/spi-workbench.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

configure_file(packaging/spi-sim.1 ${CMAKE_CURRENT_BINARY_DIR}/packaging/spi-sim.1 @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/spi-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES packaging/spi-sim.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME spi-sim)

install(FILES README.md LICENSE CITATION.cff DESTINATION ${SPI_DOC_DIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/examples)
  install(DIRECTORY examples DESTINATION ${SPI_DOC_DIR}
          PATTERN "__pycache__" EXCLUDE
          PATTERN ".ipynb_checkpoints" EXCLUDE)
endif()

# The Python module, when one is built, is the only loadable module of the project (a MODULE
# library); its interpreter and numpy are what the package must then bring.
function(spi_module_libraries dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  set(found "")
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(type STREQUAL "MODULE_LIBRARY")
      list(APPEND found ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    spi_module_libraries(${sub} below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()
spi_module_libraries(${PROJECT_SOURCE_DIR} SPI_PYTHON_MODULES)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME spi-workbench)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "spi-workbench developers")
set(CPACK_PACKAGE_CONTACT "${SPI_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Monte-Carlo workstation for data-transmission chains with error-correcting codes")
set(CPACK_PACKAGE_DESCRIPTION
    "spi-workbench simulates a digital data-transmission chain: a binary source, an\n\
error-protection coder (cyclic, BCH, Reed-Solomon, convolutional codes with threshold\n\
and Viterbi decoders, concatenated schemes), an interleaver, a three-state Markov\n\
discrete channel or a bit-level model of the decision device, and the decoder. It\n\
counts the error multiplicities per word before and after decoding and estimates\n\
the equivalent bit-error probabilities with their confidence intervals and the\n\
channel capacities.\n\
\n\
The package holds the Qt desktop workstation spi-workbench (Russian interface) and\n\
the batch command spi-sim, with parameter sweeps, multi-threaded runs that repeat\n\
to the bit for a given seed, and CSV, JSON and SVG outputs.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_THREADS 0)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SPI_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(SPI_PYTHON_MODULES)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= 3.11), python3-numpy")
endif()
# Qt's own texts in Russian (the standard buttons and dialogs of the workstation) and mpirun, without
# which spi-sim runs as the plain program.
set(spi_recommends "")
if(TARGET spi-workbench)
  list(APPEND spi_recommends qt6-translations-l10n)
endif()
if(SPI_MPI)
  list(APPEND spi_recommends openmpi-bin)
endif()
list(JOIN spi_recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
# Read by tests/package/check_package.sh: what the package must then hold.
if(TARGET spi-workbench)
  set(CPACK_SPI_GUI ON)
else()
  set(CPACK_SPI_GUI OFF)
endif()
if(SPI_PYTHON_MODULES)
  set(CPACK_SPI_PYTHON_MODULE ON)
else()
  set(CPACK_SPI_PYTHON_MODULE OFF)
endif()

include(CPack)
