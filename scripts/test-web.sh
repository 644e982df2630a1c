#!/usr/bin/env bash
# The chain in a browser: installs what the page's build and test need (Debian: emscripten,
# node-acorn, chromium; npm: the driver library of web/package-lock.json), builds web/ with
# Emscripten into build-web/site, serves it on a free local port and drives it in headless
# Chromium (web/test/drive.mjs): "ДК", the channel and coder steps, "Стат2" with NB and a seed,
# "Прервать"; then the dialogs, the files of "Файл" and the help (web/test/*.mjs). The run's JSON
# record must equal spi-sim's for the same steps in every key but the time and the command line,
# and the saved .dat and the downloaded report spi-sim's files byte for byte. Takes
# docs/screenshots/web-stages.png, web-results.png and web-dialog.png.
#
#   scripts/test-web.sh [SPI_SIM]    (default: build-ci/src/cli/spi-sim, built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
words=1000
seed=20240611

packages=(emscripten node-acorn chromium)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
(cd web && npm ci --no-audit --no-fund --loglevel=error)
installed=$(date +%s)

# Emscripten's optimizer needs acorn, which Debian keeps where only Debian's own node looks.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S web -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-web -j "$(nproc 2>/dev/null || echo 2)"
built=$(date +%s)

spi_sim=${1:-build-ci/src/cli/spi-sim}
if [ ! -x "$spi_sim" ]; then
  cmake -S . -B build-web-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DSPI_BUILD_GUI=OFF \
        -DSPI_BUILD_TESTS=OFF >/dev/null
  cmake --build build-web-native --target spi-sim -j "$(nproc 2>/dev/null || echo 2)"
  spi_sim=build-web-native/src/cli/spi-sim
fi

work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/bin/python3 -m http.server --bind 127.0.0.1 --directory build-web/site "$port" \
  >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 50); do
  /usr/bin/python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/')" \
    2>/dev/null && break
  sleep 0.1
done

mkdir -p docs/screenshots
SPI_SIM="$spi_sim" node web/test/drive.mjs "http://127.0.0.1:$port/index.html" "$words" "$seed" "$work/web.json" \
  docs/screenshots/web-results.png
"$spi_sim" --words "$words" --seed "$seed" --json "$work/native.json" --quiet

# Every key of both records, compared as parsed values; only the time and where the record
# comes from (the command line and threads spi-sim gives) may differ.
/usr/bin/python3 - "$work/web.json" "$work/native.json" <<'EOF'
import json, sys
web, native = (json.load(open(p)) for p in sys.argv[1:3])
own = {"elapsedSeconds", "command", "threads"}
keys = sorted((set(web) | set(native)) - own)
bad = [k for k in keys if web.get(k, "<missing>") != native.get(k, "<missing>")]
for k in bad:
    print(f"FAIL {k}: page {web.get(k, '<missing>')!r}, spi-sim {native.get(k, '<missing>')!r}")
print(f"JSON record: {len(keys) - len(bad)} of {len(keys)} keys equal to spi-sim's")
sys.exit(1 if bad else 0)
EOF
end=$(date +%s)
echo "test-web: install $((installed - start)) s, build $((built - installed)) s, test $((end - built)) s"
