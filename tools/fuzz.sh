#!/usr/bin/env bash
# Runs one fuzz target for longer than CI does, with a random seed:
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
#   tools/fuzz.sh fuzz_inifile 600
# Builds the checking build first (tools/setup.sh checking). The inputs found
# are kept in build-asan/fuzz/TARGET, so a later run goes on from there; the
# seed corpus tests/fuzz/corpus/TARGET is only read. A finding is saved as
# build-asan/fuzz/TARGET-crash-* (or -timeout-, -oom-, -leak-); once the
# fault is mended, add that file to tests/fuzz/corpus/TARGET, so that every
# CI run tries it again.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=$(ls tests/fuzz/corpus | tr '\n' ' ')
if [ $# -lt 2 ] || [ ! -d "tests/fuzz/corpus/$1" ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options]" >&2
  echo "targets: $targets" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2

tools/setup.sh checking
root=$PWD
work=$root/build-asan/fuzz
mkdir -p "$work/$target"
# As tests/CMakeLists.txt sets them for CTest.
export ASAN_OPTIONS=halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:suppressions=$root/tests/sanitizers/asan.supp
export LSAN_OPTIONS=suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# In the work folder, where libFuzzer also puts its logs (-jobs).
cd "$work"
exec "$root/build-asan/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -rss_limit_mb=4096 -artifact_prefix="$work/$target-" -print_final_stats=1 "$@" \
  "$work/$target" "$root/tests/fuzz/corpus/$target"
