#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libxkbcommon-dev
          qt6-translations-l10n xvfb xauth fonts-dejavu-core
          libopenmpi-dev openmpi-bin clang-14 libclang-rt-14-dev clang-format-14
          clang-tidy-14
          pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib
          jupyter-nbconvert python3-ipykernel python3-nbformat)
packages+=(python3) # Debian's Python: the golden matrix compares the JSON by its values
packages+=(libcli11-dev nlohmann-json3-dev) # spi-sim's options; the JSON records
# The Debian package and its check: dpkg-shlibdeps, file, desktop-file-validate, man.
packages+=(dpkg-dev file desktop-file-utils man-db)
packages+=(librandom123-dev) # the research generator, Philox4x32-10 (header only)
packages+=(time) # bench.sh: the peak resident memory of a run (GNU time's %M)
packages+=(emscripten node-acorn chromium) # web/: the browser build and its test in Chromium

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
