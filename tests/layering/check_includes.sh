#!/usr/bin/env bash
# Include arrows point down only: a folder of src/gui includes its own or a
# lower one (common < controls, wave < link, editor, scope < shell), and
# src/core includes nothing of src/gui. Prints each upward include; exit 1
# when there is one.
set -euo pipefail
src="${1:-$(dirname "$0")/../../src}"
rank() {
  case "$1" in
    common) echo 0 ;;
    controls | wave) echo 1 ;;
    link | editor | scope) echo 2 ;;
    shell) echo 3 ;;
    *) echo 9 ;;
  esac
}
bad=0
while IFS= read -r file; do
  dir=${file#"$src"/gui/}
  dir=${dir%%/*}
  while IFS= read -r target; do
    [ -f "$src/gui/$target" ] || continue # a core header of the same folder name
    to=${target%%/*}
    if [ "$to" != "$dir" ] && [ "$(rank "$to")" -ge "$(rank "$dir")" ]; then
      echo "upward include: $file -> $target"
      bad=1
    fi
  done < <(sed -n 's/^#include "\([a-z]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$src/gui" -name '*.cpp' -o -name '*.h')
while IFS= read -r file; do
  while IFS= read -r target; do
    if [ -f "$src/gui/$target" ] && [ ! -f "$src/core/$target" ]; then
      echo "core includes the GUI: $file -> $target"
      bad=1
    fi
  done < <(sed -n 's/^#include "\([a-z]*\/[^"]*\)".*/\1/p' "$file")
done < <(find "$src/core" -name '*.cpp' -o -name '*.h')
exit $bad
