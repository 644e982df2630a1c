#!/usr/bin/env bash
# Every C++ file of the repository as the root .clang-format lays it out; names the files that
# differ (clang-format-14 -i FILE mends one).
set -uo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format) || {
  echo "check-format: clang-format is not installed (apt-get install clang-format-14)"
  exit 1
}
bad=0 total=0
while IFS= read -r f; do
  total=$((total + 1))
  if ! "$format" --dry-run -Werror "$f" >/dev/null 2>&1; then
    echo "not formatted: $f"
    bad=$((bad + 1))
  fi
done < <(git ls-files '*.cpp' '*.h')
echo "format: $total files, $bad not formatted"
[ "$bad" -eq 0 ]
