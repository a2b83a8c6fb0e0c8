#!/usr/bin/env bash
# The tests' share of the code. New tests come to roughly a quarter to a third
# of the code they come with; this check holds the bounds. It measures, over
# what is committed only, how much tests/ and src/ have grown since the base
# commit (lines added minus lines removed, C and C++ sources and headers,
# renames not followed, so a file moved within one folder cancels out), and
# the whole suite's size against the code's at HEAD (non-blank lines that are
# not // comments).
#
# It fails when
#   - src/ grew by 400 lines or more and the tests by less than 15 % or more
#     than 40 % of that;
#   - src/ grew by less than 400 lines and the tests by more than 160;
#   - the whole suite is above 123 % of the code.
# The base and the bounds move only when an issue says so. LINTROVA_SHARE_BASE
# names another base; only the script's own test sets it.
set -uo pipefail
cd "$(dirname "$0")/.."

base=${LINTROVA_SHARE_BASE:-f9acd0f}
kMinCode=400
kSmallChangeTests=160
kLowPercent=15
kHighPercent=40
kSuitePercent=123

if ! git cat-file -e "$base^{commit}" 2>/dev/null; then
  echo "tests' share: the history does not reach $base (a shallow clone or a source tarball); not checked"
  exit 0
fi

# Lines added minus lines removed under folder $1.
grown() {
  git diff --numstat --no-renames "$base" HEAD -- "$1" |
    awk '$3 ~ /\.(cpp|cc|c|h|hpp)$/ && $1 != "-" { sum += $1 - $2 } END { print sum + 0 }'
}

# Non-blank lines that are not // comments under folder $1 at HEAD.
counted() {
  git grep -I -h -v -E '^[[:space:]]*(//.*)?$' HEAD -- \
    ":(glob)$1/**/*.cpp" ":(glob)$1/**/*.cc" ":(glob)$1/**/*.c" \
    ":(glob)$1/**/*.h" ":(glob)$1/**/*.hpp" | wc -l
}

# a/b as a percentage with one decimal, "-" when b is not positive.
percent() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.1f", 100 * a / b; else printf "-" }'
}

code=$(grown src)
tests=$(grown tests)
suite=$(counted tests)
source=$(counted src)
echo "tests grew by $tests lines for $code lines of code since $base ($(percent "$tests" "$code") %);" \
     "whole suite $(percent "$suite" "$source") %"

status=0
if [ "$code" -ge "$kMinCode" ]; then
  if [ $((100 * tests)) -lt $((kLowPercent * code)) ]; then
    echo "tests' share: below $kLowPercent % of the new code; new code comes with tests" >&2
    status=1
  elif [ $((100 * tests)) -gt $((kHighPercent * code)) ]; then
    echo "tests' share: above $kHighPercent % of the new code; make the new tests leaner" \
         "(data rows, whole outputs, shared rigs), never delete existing ones" >&2
    status=1
  fi
elif [ "$tests" -gt "$kSmallChangeTests" ]; then
  echo "tests' share: $tests lines of tests for less than $kMinCode lines of code" \
       "(at most $kSmallChangeTests)" >&2
  status=1
fi
if [ $((100 * suite)) -gt $((kSuitePercent * source)) ]; then
  echo "tests' share: the whole suite is above $kSuitePercent % of the code" >&2
  status=1
fi
exit $status
