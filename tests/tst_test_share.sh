#!/usr/bin/env bash
# The check of the tests' share (tools/test_share.sh) in a scratch repository
# of three commits: a base with 1,000 lines of code and 500 of tests, then
# 400 lines of code with 100 of tests (25 %: passes), then 400 more lines of
# tests (500 for 400: fails). A file that is neither C nor C++ counts for
# nothing, and a history without the base passes.
set -uo pipefail
script="$(cd "$(dirname "$0")/.." && pwd)/tools/test_share.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
mkdir -p tools src/core tests/core
cp "$script" tools/
git init -q .
git config user.email test@example.invalid
git config user.name test

lines() { # lines COUNT FILE: COUNT numbered statements
  for ((i = 0; i < $1; i++)); do echo "int v$i = $i;"; done >"$2"
}
commit() { git add -A && git commit -q -m "$1" && git rev-parse HEAD; }
failures=0
expect() { # expect STATUS WHAT
  output=$(bash tools/test_share.sh 2>&1)
  status=$?
  if [ "$status" -ne "$1" ]; then
    echo "FAIL: $2: status $status, expected $1"$'\n'"$output"
    failures=$((failures + 1))
  else
    echo "ok: $2: $output"
  fi
}

lines 1000 src/core/base.cpp
lines 500 tests/core/base.cpp
base=$(commit base)
export LINTROVA_SHARE_BASE=$base

lines 400 src/core/new.h
lines 100 tests/core/new.cpp
lines 3000 tests/core/corpus.txt
commit "400 lines of code, 100 of tests" >/dev/null
expect 0 "100 lines of tests for 400 of code"
grep -q "tests grew by 100 lines for 400 lines of code since $base (25.0 %); whole suite 42.9 %" \
  <<<"$output" || { echo "FAIL: the line reads: $output"; failures=$((failures + 1)); }

lines 500 tests/core/new.cpp
commit "400 more lines of tests" >/dev/null
expect 1 "500 lines of tests for 400 of code"

LINTROVA_SHARE_BASE=0123456789abcdef0123456789abcdef01234567 expect 0 "a history without the base"
exit $((failures > 0))
