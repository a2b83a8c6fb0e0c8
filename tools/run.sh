#!/usr/bin/env bash
# Installs what is missing, builds Lintrova and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
exec build/lintrova
