#!/usr/bin/env bash
# The layer check (tools/check_layers.sh) on scratch layer trees, one bad
# include in each, and on the real src/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# A clean tree: each layer includes its own and lower layers, Qt's core and
# GUI headers, and ui includes Qt Widgets.
clean() {
  rm -rf "$scratch/src"
  for layer in text app host ports engine ui; do mkdir -p "$scratch/src/$layer"; done
  printf '#include "text/Codec.h"\n#include <QString>\n#include <QAction>\n' >"$scratch/src/app/a.cpp"
  printf '#include "engine/TrafficLog.h"\n#include <QLabel>\n' >"$scratch/src/ui/a.cpp"
}

expect() { # expect STATUS WHAT [FILE LINE]: check the scratch tree
  local output status
  output=$(bash "$root/tools/check_layers.sh" "$scratch/src" 2>&1)
  status=$?
  if [ "$status" -ne "$1" ] || { [ $# -gt 2 ] && ! grep -qF "$3:1:$4" <<<"$output"; }; then
    echo "FAIL: $2: status $status, expected $1"$'\n'"$output"
    failures=$((failures + 1))
  else
    echo "ok: $2"
  fi
}

row() { # row WHAT FILE LINE: a clean tree with one bad include
  clean
  echo "$3" >"$scratch/src/$2"
  expect 1 "$1" "$2" "$3"
}

clean
expect 0 "a clean tree"
row "Qt Widgets in host" host/a.cpp '#include <QLabel>'
row "Qt Widgets by its folder in text" text/a.h '#  include <QtWidgets/QPushButton>'
row "an include through ../" ports/a.cpp '#include "../engine/TrafficLog.h"'
row "../ in ui too" ui/b.cpp '#include <../ui/a.h>'
row "a layer above" app/b.cpp '#include "host/PortAddress.h"'
row "the top layer from engine" engine/a.cpp '#include <ui/frmMain.h>'
mkdir "$scratch/bin" && printf '#!/bin/sh\nexit 1\n' >"$scratch/bin/qmake6" && chmod +x "$scratch/bin/qmake6"
PATH="$scratch/bin:$PATH" expect 2 "no Qt headers to be found"

if ! output=$(bash "$root/tools/check_layers.sh" 2>&1); then
  echo "FAIL: src/"$'\n'"$output"
  failures=$((failures + 1))
fi
exit $((failures > 0))
