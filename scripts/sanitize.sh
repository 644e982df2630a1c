#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs it:
# any out-of-bounds access, use after free, leak or undefined behaviour fails its test.
#
#   scripts/sanitize.sh [BUILD_DIR]      default BUILD_DIR: build-asan
#   SPI_ASAN_GUI=0 scripts/sanitize.sh   without the workstation and its window tests
#
# clang 14 is used when it is there: its -fsanitize=undefined also catches a real converted to an
# integer it does not fit, which g++ leaves out of that group. The window tests run on Qt's
# offscreen platform; Qt's own libraries are not instrumented, so only our code is checked.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-asan}
gui=ON
[ "${SPI_ASAN_GUI:-1}" = 0 ] && gui=OFF

scripts/install-deps.sh
if ! dpkg -s clang-14 libclang-rt-14-dev >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends clang-14 libclang-rt-14-dev || true
fi
if command -v clang++-14 >/dev/null 2>&1; then
  export CC=clang-14 CXX=clang++-14
else
  export CC=gcc CXX=g++
fi

# -O1: the sanitizers need no more to see everything, and the build stays short on two cores.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DSPI_SANITIZE=ON -DSPI_WERROR=ON \
  -DSPI_BUILD_GUI="$gui" -DSPI_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j 2

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j 2 --timeout 900
