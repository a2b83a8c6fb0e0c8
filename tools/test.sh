#!/usr/bin/env bash
# Installs what is missing, builds Lintrova and runs every test. No display is
# needed: widget tests run on Qt's offscreen platform, and the one that needs
# a real X display (tst_logview_window) starts a private Xvfb of its own.
#
# Then the checking build (build-asan, see tools/setup.sh) runs the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, where any report
# fails its test, and every fuzz target once with a fixed seed and a fixed
# number of inputs. When CI is set (CI machines are throwaway), it also builds
# the Debian package and checks it by installing it into the system, starting
# it and removing it again. The script stops at the first step that fails,
# except the check of the tests' share (tools/test_share.sh), which runs
# first: when it fails, everything is still built and tested, so that a
# developer trimming tests sees the whole run, and the script then ends with
# status 1.
#
# The tools some tests need (ser2net, pymodbus) are installed here, so a test
# that does not find its tool fails instead of skipping (tests/RequiredTool.h).
set -euo pipefail
cd "$(dirname "$0")/.."
export LINTROVA_REQUIRE_TOOLS=1
share_status=0
tools/test_share.sh || share_status=1

tools/setup.sh
(cd build && ctest --output-on-failure -j"$(nproc)")

tools/setup.sh checking
(cd build-asan && ctest --output-on-failure -j"$(nproc)")

if [ -n "${CI:-}" ]; then
  tools/check_package.sh
fi

if [ "$share_status" -ne 0 ]; then
  echo "the tests' share is out of bounds (see the first line of this run)" >&2
  exit 1
fi
