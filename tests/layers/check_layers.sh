#!/usr/bin/env bash
# The layers of src/ depend one way: a file may include its own layer and the layers below it,
# never one above or beside it. Each line of the table names a layer (a folder of src/) and the
# layers it may include besides itself.
#
#   check_layers.sh SRC_DIR [FRONT_END_DIR...]
#
# A front end that lives beside src/ (the Python module) is a layer of its own named after its
# folder; its includes are read against SRC_DIR like the others.
set -uo pipefail
src=$1
shift

declare -A allowed=(
  [model]=""
  [coding]="model"
  [channel]="model"
  [chain]="model coding channel"
  [forms]="model coding channel chain"
  [research]="model coding channel chain forms"
  [io]="model coding channel chain forms research"
  [cli]="model coding channel chain forms research io"
  [python]="model coding channel chain forms research io"
  [gui/kit]="model coding channel chain forms research io"
  [gui/dialogs]="model coding channel chain forms research io gui/kit"
  [gui/windows]="model coding channel chain forms research io gui/kit gui/dialogs"
  [gui/app]="model coding channel chain forms research io gui/kit gui/dialogs gui/windows"
)

# The layer of a path relative to src/: its first folder, or its first two under gui/.
layer_of() {
  case $1 in
    gui/*) echo "$1" | cut -d/ -f1-2 ;;
    *) echo "${1%%/*}" ;;
  esac
}

bad=0 files=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  own=$(layer_of "$rel")
  for front in "$@"; do
    case $file in "$front"/*) own=$(basename "$front") ;; esac
  done
  if [ -z "${allowed[$own]+set}" ]; then
    echo "$rel: in no layer"
    bad=$((bad + 1))
    continue
  fi
  files=$((files + 1))
  while IFS= read -r inc; do
    [ -e "$src/$inc" ] || continue # a header of the system or of a library
    target=$(layer_of "$inc")
    [ "$target" = "$own" ] && continue
    case " ${allowed[$own]} " in
      *" $target "*) ;;
      *) echo "$rel includes $inc: $own may not include $target"; bad=$((bad + 1)) ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" "$@" -name '*.cpp' -o -name '*.h' | sort)

echo "layers: $files files, $bad includes out of their layer"
[ "$bad" -eq 0 ]
