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
# it and removing it again. The script stops at the first step that fails.
#
# The tools some tests need (ser2net, pymodbus) are installed here, so a test
# that does not find its tool fails instead of skipping (tests/RequiredTool.h).
set -euo pipefail
cd "$(dirname "$0")/.."
export LINTROVA_REQUIRE_TOOLS=1
tools/setup.sh
(cd build && ctest --output-on-failure -j"$(nproc)")

tools/setup.sh checking
(cd build-asan && ctest --output-on-failure -j"$(nproc)")

if [ -n "${CI:-}" ]; then
  tools/check_package.sh
fi
