#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test: the layout of every file
# (.clang-format), the whole suite (engine, batch front end, windows on Qt's offscreen platform,
# MPI with two processes, the golden matrix, the layers), clang-tidy's bug-finding checks, the same
# suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a replay of the fuzzers'
# corpora.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPI_WERROR=ON -DSPI_BUILD_BENCH=ON -DSPI_MPI=ON -DSPI_PYTHON=ON -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
cmake --build build-ci -j "$jobs"
ctest --test-dir build-ci --output-on-failure -j "$jobs"
tests/package/check_package.sh build-ci
scripts/check-tidy.sh build-ci
scripts/sanitize.sh
scripts/fuzz-replay.sh
scripts/test-web.sh build-ci/src/cli/spi-sim # the chain in a browser: the page against spi-sim
