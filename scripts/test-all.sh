#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build-ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPI_WERROR=ON -DSPI_BUILD_BENCH=ON -DSPI_MPI=ON >/dev/null
cmake --build build-ci -j "$jobs"
ctest --test-dir build-ci --output-on-failure -j "$jobs"
