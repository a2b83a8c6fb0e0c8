#!/usr/bin/env bash
# Fails when a file of a layer includes a header of a layer above its own,
# when any file includes a path with "../" (which reaches past the layers'
# own folders unseen), or when a layer below ui includes Qt Widgets: a
# <QName> whose header lies in Qt's QtWidgets include folder, or any
# <QtWidgets/...>. Layers, lowest first:
# text <- app <- host <- ports <- engine <- ui
#
# Usage: tools/check_layers.sh [FOLDER]   (the layer tree; src/ by default)
# Needs qmake6 (Debian's qt6-base-dev-tools) to find Qt's headers.
set -uo pipefail
shopt -s lastpipe # the status set at a pipeline's end counts
tree=${1:-$(dirname "$0")/../src}
cd "$tree" || exit 2
if ! headers=$(qmake6 -query QT_INSTALL_HEADERS 2>/dev/null) || [ ! -d "$headers/QtWidgets" ]; then
  echo "check_layers: qmake6 is missing or names no QtWidgets folder, so Qt Widgets' headers" \
       "cannot be told; install qt6-base-dev-tools" >&2
  exit 2
fi
widgets=$headers/QtWidgets
layers=(text app host ports engine ui)
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*'
status=0
violation() { # violation WHY: the matching lines come on standard input
  local lines
  lines=$(cat)
  [ -n "$lines" ] || return 0
  echo "$lines"
  echo "^ $1" >&2
  status=1
}

grep -rnE "$include[<\"][^>\"]*\.\./" . | violation 'an include through ../'
for i in "${!layers[@]}"; do
  layer=${layers[$i]}
  [ -d "$layer" ] || continue
  above=("${layers[@]:$((i + 1))}")
  [ ${#above[@]} -gt 0 ] || continue
  grep -rnE "$include[<\"]($(IFS='|'; echo "${above[*]}"))/" "$layer" |
    violation "$layer/ includes a layer above it"
  grep -rnE "$include<(Q[[:alnum:]_]*|QtWidgets/[^>]*)>" "$layer" |
    while IFS= read -r line; do
      name=${line#*<}
      name=${name%%>*}
      if [[ $name == QtWidgets/* ]] || [ -e "$widgets/$name" ]; then echo "$line"; fi
    done | violation "$layer/ uses Qt Widgets"
done
exit $status
