#!/usr/bin/env bash
# Installs the Debian packages Lintrova needs to build and test, only those
# that are missing, then configures and builds the project in ./build.
set -euo pipefail
cd "$(dirname "$0")/.."

# ser2net: the tests of ports across the network run against the real server.
packages=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-translations-l10n libgl-dev
          fonts-dejavu-core ser2net)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)"
