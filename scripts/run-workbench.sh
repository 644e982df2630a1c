#!/usr/bin/env bash
# Builds and starts the workstation spi-workbench. Without a display it starts under Xvfb
# (nothing visible then; useful only to check that it starts).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target spi-workbench -j "$(nproc 2>/dev/null || echo 2)"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/src/gui/spi-workbench "$@"
fi
echo "No display: starting under Xvfb." >&2
exec xvfb-run -a ./build/src/gui/spi-workbench "$@"
