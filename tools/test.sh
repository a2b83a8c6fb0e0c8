#!/usr/bin/env bash
# Installs what is missing, builds Lintrova and runs every test. No display is
# needed: widget tests run on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cd build
ctest --output-on-failure -j"$(nproc)"
