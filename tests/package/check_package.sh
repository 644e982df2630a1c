#!/usr/bin/env bash
# Builds the Debian package of a configured and built tree and checks it: the files it must hold,
# its Depends line, the programs run from the unpacked tree, the desktop entry, the manual page and
# the bash completion.
#
#   tests/package/check_package.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: check_package.sh BUILD_DIR}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() {
  echo "check_package: $*" >&2
  failures=$((failures + 1))
}
# The value of a CPACK_ variable as the configuration wrote it.
cpack_value() {
  sed -n "s/^set($1 \"\\(.*\\)\")$/\\1/p" "$build/CPackConfig.cmake"
}

(cd "$build" && cpack -G DEB) >"$tmp/cpack.log" 2>&1 || {
  cat "$tmp/cpack.log" >&2
  exit 1
}
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$tmp/cpack.log")
expected_name="spi-workbench_$(cpack_value CPACK_PACKAGE_VERSION)_$(dpkg --print-architecture).deb"
[ "$(basename "$deb")" = "$expected_name" ] || fail "package is '$deb', not $expected_name"

gui=$(cpack_value CPACK_SPI_GUI)
python=$(cpack_value CPACK_SPI_PYTHON_MODULE)
doc=usr/share/doc/spi-workbench
expected=(usr/bin/spi-sim usr/share/man/man1/spi-sim.1
          usr/share/bash-completion/completions/spi-sim
          "$doc/README.md" "$doc/LICENSE" "$doc/CITATION.cff")
[ "$gui" = ON ] && expected+=(usr/bin/spi-workbench usr/share/applications/spi-workbench.desktop
                              usr/share/icons/hicolor/scalable/apps/spi-workbench.svg)
[ -d "$src/examples" ] && expected+=("$doc/examples/")

dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' >"$tmp/contents"
for f in "${expected[@]}"; do
  grep -qxF "$f" "$tmp/contents" || fail "the package lacks $f"
done
if [ "$python" = ON ]; then
  grep -q '^usr/lib/python3/dist-packages/.*\.so$' "$tmp/contents" ||
    fail "the Python module is built but not in usr/lib/python3/dist-packages"
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[ -n "$depends" ] || fail "Depends is empty"
[ "$gui" = ON ] && { grep -q 'libqt6' <<<"$depends" || fail "Depends names no Qt library"; }
if [ "$python" = ON ]; then
  grep -qF 'python3 (>= 3.11), python3-numpy' <<<"$depends" || fail "Depends lacks python3, numpy"
else
  grep -q 'python3' <<<"$depends" && fail "Depends names python3 without the Python module"
fi

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
if "$root/usr/bin/spi-sim" --version >"$tmp/version"; then
  [ -s "$tmp/version" ] || fail "spi-sim --version printed nothing"
else
  fail "spi-sim --version failed"
fi

if [ "$gui" = ON ]; then
  desktop-file-validate --no-hints "$root/usr/share/applications/spi-workbench.desktop" ||
    fail "the desktop entry does not validate"
  /usr/bin/python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' \
    "$root/usr/share/icons/hicolor/scalable/apps/spi-workbench.svg" || fail "the icon is no SVG"
fi
man_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/spi-sim.1" \
  2>&1 >/dev/null) || fail "man cannot format spi-sim.1"
[ -z "$man_warnings" ] || fail "spi-sim.1: $man_warnings"

# The completion as bash runs it on the unpacked spi-sim: fixed values, and the field names of
# --list-fields (none, silently, when spi-sim cannot list them).
completion() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _spi_sim "$1"
           printf "%s\n" "${COMPREPLY[@]}"' _ \
    "$root/usr/share/bash-completion/completions/spi-sim" "$root/usr/bin/spi-sim" "$@"
}
[ "$(completion --structure '' | tr '\n' ' ')" = "dk ru " ] || fail "completion of --structure"
[ "$(completion --rate '' | tr '\n' ' ')" = "up down " ] || fail "completion of --rate"
if "$root/usr/bin/spi-sim" --list-fields >/dev/null 2>&1; then
  completion --set cont | grep -qx 'contHp=' || fail "completion of --set names no contHp"
else
  [ -z "$(completion --set '')" ] || fail "completion of --set without --list-fields"
fi

[ "$failures" -eq 0 ] || exit 1
echo "check_package: $(basename "$deb"): $(wc -l <"$tmp/contents") entries, all checks passed"
