#!/usr/bin/env bash
# Builds spi-sim and runs the main job on the built-in defaults: a "Стат2" run of the default
# chain (structure ДК, discrete channel calculated from the default continuous channel, code type 5,
# NB = 1000), printing its test report (converted from code page 1251 for the terminal). Extra
# arguments go to spi-sim.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target spi-sim -j "$(nproc 2>/dev/null || echo 2)"
./build/src/cli/spi-sim --structure dk --test stat2 --report - "$@" | iconv -f CP1251 -t UTF-8
