#!/usr/bin/env bash
# The golden matrix: every code choice, both structures, both test runs, one and three threads,
# a sweep, a data file saved and opened. Each line of the matrix file holds a name, the options
# of one spi-sim run, its exit code with the SHA-256 of the JSON it wrote, and the SHA-256 of its
# report; a change of any bit of any result shows as a failed line.
#
# The JSON is compared by its values, not its bytes: Debian's Python reads it, leaves out what
# differs between two runs of the same figures (elapsedSeconds, and the provenance keys version,
# command and threads), reads every number as a double (so 0 and 0.0 are one value) and writes
# it again with sorted keys and the shortest text of each double that reads back to it (repr).
# The figures of theory and batch means beside the run, and the theory beside each point of a
# sweep, are left out too: the matrix pins the run's own figures, and the theory's tests pin those.
# The report is compared by its bytes.
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

py=${SPI_PYTHON3:-/usr/bin/python3}
sum() { if [ -s "$1" ]; then sha256sum <"$1" | cut -c1-16; else echo -; fi; }

# The canonical text of a JSON file in place; a file that is not JSON is summed as it stands.
canonical() {
  "$py" -c '
import json, sys
with open(sys.argv[1], encoding="utf-8") as f:
    value = json.load(f, parse_int=float)
if isinstance(value, dict):
    for key in ("elapsedSeconds", "version", "command", "threads", "theoryMultBefore",
                "theoryPErrIn", "theoryDecodedBound", "theoryDecodedBoundT",
                "theoryDecodedBoundSymbolBits", "fitMaxZ", "pErrInConfBatch",
                "pErrOutConfBatch", "batchCount", "theoryAbsent", "generatorCycleExceeded",
                "generator"):
        value.pop(key, None)
    points = value.get("points")
    for point in points if isinstance(points, list) else []:
        if isinstance(point, dict):
            point.pop("theoryPErrIn", None)
            point.pop("theoryWordErrBound", None)
            point.pop("generatorCycleExceeded", None)
sys.stdout.write(json.dumps(value, sort_keys=True) + "\n")
' "$1" >"$1.canon" 2>/dev/null && mv "$1.canon" "$1"
  rm -f "$1.canon"
}

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
  [ -s "$dir/json" ] && canonical "$dir/json"
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
