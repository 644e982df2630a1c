#!/usr/bin/env bash
# The golden matrix: every code choice, both structures, both test runs, one and three threads,
# a sweep, a data file saved and opened. Each line of the matrix file holds a name, the options
# of one spi-sim run and the SHA-256 of the JSON (without its elapsed time) and of the report it
# wrote; a change of any bit of any result shows as a failed line.
#
#   check_matrix.sh SPI_SIM MATRIX_FILE            compare
#   check_matrix.sh SPI_SIM MATRIX_FILE --record   write the sums of the present build back
#
# In the options, @DIR@ stands for a scratch folder shared by the lines of one check, so that a
# line can open the data file an earlier line saved.
set -uo pipefail
sim=$1 matrix=$2 mode=${3:-check}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

sum() { if [ -s "$1" ]; then sha256sum <"$1" | cut -c1-16; else echo -; fi; }

passed=0 failed=0
out=()
while IFS=$'\t' read -r name args wantJson wantReport || [ -n "$name" ]; do
  if [ -z "$name" ] || [ "${name:0:1}" = "#" ]; then
    out+=("$name${args:+$'\t'$args}")
    continue
  fi
  rm -f "$dir/json" "$dir/report"
  eval "set -- ${args//@DIR@/$dir}"
  case $1 in
    sweep) "$sim" "$@" --json "$dir/json" --quiet >/dev/null 2>"$dir/err" ;;
    *) "$sim" "$@" --json "$dir/json" --report "$dir/report" --quiet >/dev/null 2>"$dir/err" ;;
  esac
  code=$?
  [ -f "$dir/json" ] && grep -v '"elapsedSeconds"' "$dir/json" >"$dir/json.kept" && mv "$dir/json.kept" "$dir/json"
  gotJson="$code:$(sum "$dir/json")" gotReport=$(sum "$dir/report")
  out+=("$name"$'\t'"$args"$'\t'"$gotJson"$'\t'"$gotReport")
  if [ "$gotJson" = "$wantJson" ] && [ "$gotReport" = "$wantReport" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    [ "$mode" = --record ] && continue
    echo "FAIL $name: json $gotJson (want $wantJson), report $gotReport (want $wantReport)"
    sed 's/^/    /' "$dir/err" | head -n 5
  fi
done <"$matrix"

if [ "$mode" = --record ]; then
  printf '%s\n' "${out[@]}" >"$matrix"
  echo "recorded $((passed + failed)) lines"
  exit 0
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
