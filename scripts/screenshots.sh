#!/usr/bin/env bash
# Takes the screenshots of the README: the window tests draw every window under Xvfb and save
# them into docs/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
out="$PWD/docs/screenshots"
mkdir -p "$out"
for t in build/tests/gui/spi_gui_*_tests; do
  SPI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1400x900x24" "$t" >/dev/null
done
ls "$out"
