#!/usr/bin/env bash
# Fails when a file of a layer includes a header of a layer above its own, or
# when a layer below ui includes Qt Widgets. Layers, lowest first:
# text <- app <- host <- ports <- engine <- ui
set -uo pipefail
cd "$(dirname "$0")/../src"
layers=(text app host ports engine ui)
status=0
for i in "${!layers[@]}"; do
  layer=${layers[$i]}
  above=("${layers[@]:$((i + 1))}")
  [ ${#above[@]} -gt 0 ] || continue
  pattern="#include \"($(IFS='|'; echo "${above[*]}"))/"
  if grep -rnE "$pattern" "$layer"; then
    echo "^ $layer/ includes a layer above it" >&2
    status=1
  fi
  if [ "$layer" != ui ] && grep -rnE '#include <(QtWidgets|QWidget|QApplication|QAbstractButton|QDialog|QMainWindow)' "$layer"; then
    echo "^ $layer/ uses Qt Widgets" >&2
    status=1
  fi
done
exit $status
