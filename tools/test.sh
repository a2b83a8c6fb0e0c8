#!/usr/bin/env bash
# Installs what is missing, builds Lintrova and runs every test. No display is
# needed: widget tests run on Qt's offscreen platform. When CI is set (CI
# machines are throwaway), it also builds the Debian package and checks it by
# installing it into the system, starting it and removing it again.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
(cd build && ctest --output-on-failure -j"$(nproc)")
if [ -n "${CI:-}" ]; then
  tools/check_package.sh
fi
