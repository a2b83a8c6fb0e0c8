#!/usr/bin/env bash
# One deterministic run of a fuzz target, as CTest runs it:
#   run-fixed.sh TARGET CORPUS RUNS WORKDIR
# Seed 1 and RUNS inputs after the seed corpus, which is only read: new
# inputs go to WORKDIR/new (emptied first, so every run starts alike), a
# finding to WORKDIR/finding-*. Fails on a crash, a sanitizer report or a
# broken property.
set -euo pipefail
target=$1 corpus=$2 runs=$3 work=$4
rm -rf "$work"
mkdir -p "$work/new"
# The same run every time: Qt's hashes unseeded, and addresses without
# randomisation (libFuzzer steers by compared values, pointers among them).
export QT_HASH_SEED=0
fixed=()
if setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed=(setarch "$(uname -m)" -R)
fi
exec "${fixed[@]}" "$target" -seed=1 -runs="$runs" -reload=0 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/finding-" -print_final_stats=1 "$work/new" "$corpus"
