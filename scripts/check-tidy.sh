#!/usr/bin/env bash
# clang-tidy's bug-finding checks (.clang-tidy) over every source of src/, on the compile commands
# of a build; any finding fails.
#
#   scripts/check-tidy.sh [BUILD_DIR]      default BUILD_DIR: build-ci
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-ci}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy) || {
  echo "check-tidy: clang-tidy is not installed (apt-get install clang-tidy-14)"
  exit 1
}
[ -f "$build/compile_commands.json" ] || {
  echo "check-tidy: no $build/compile_commands.json; configure that build first"
  exit 1
}
# The sources the build compiles (mpi_run.cpp only in an MPI build); the generated Qt files are
# not ours.
mapfile -t files < <(git ls-files 'src/*.cpp' | while read -r f; do
  grep -q "\"file\": \"$PWD/$f\"" "$build/compile_commands.json" && echo "$f"
done)
log=$build/tidy.log
printf '%s\n' "${files[@]}" |
  xargs -P "$(nproc 2>/dev/null || echo 2)" -n 4 "$tidy" -p "$build" --quiet \
    --extra-arg=-Wno-unknown-warning-option >"$log" 2>/dev/null
findings=$(grep -c 'warning:\|error:' "$log")
grep -A3 'warning:\|error:' "$log" | head -n 60
echo "tidy: ${#files[@]} files, $findings findings"
[ "$findings" -eq 0 ]
