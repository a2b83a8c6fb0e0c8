#!/usr/bin/env bash
# Builds the Debian package build/lintrova_<version>_<arch>.deb with Debian's
# own tools (dpkg-buildpackage and debhelper, from debian/) and installs what
# that needs (as root). The build runs in a copy of the source tree under
# build/deb/, so the checkout stays clean. The tests are not built here:
# tools/test.sh builds and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential debhelper dpkg-dev cmake qt6-base-dev qt6-serialport-dev libgl-dev)
tools/install-missing.sh "${packages[@]}"

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg --print-architecture)
stage=build/deb
rm -rf "$stage"
mkdir -p "$stage/lintrova"
tar -c --exclude=./.git --exclude='./build*' --exclude='./obj-*' . | tar -x -C "$stage/lintrova"

echo "Building lintrova_${version}_${arch}.deb (log: $stage/build.log)"
if ! (cd "$stage/lintrova" &&
      DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -b -us -uc) \
     >"$stage/build.log" 2>&1; then
  tail -n 40 "$stage/build.log"
  echo "The package build failed; the whole log is $stage/build.log." >&2
  exit 1
fi
mv "$stage"/lintrova*_"${version}_${arch}".deb build/
echo "build/lintrova_${version}_${arch}.deb"
