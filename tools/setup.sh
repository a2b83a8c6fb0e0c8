#!/usr/bin/env bash
# Installs the Debian packages Lintrova needs to build and test, only those
# that are missing, then configures and builds the project:
#   tools/setup.sh            the program, its tests and benchmarks in ./build
#   tools/setup.sh checking   the checking build in ./build-asan: clang with
#                             AddressSanitizer and UndefinedBehaviorSanitizer,
#                             the tests and the fuzz targets
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-normal}
# ser2net: the tests of ports across the network run against the real server.
# python3-pymodbus (with the serial packages it runs on): a Modbus RTU device
# for the window test of the hex view and the checksums.
# xvfb, xauth: tst_logview_window shows the main window on an X display of its
# own (xvfb-run), for what the offscreen platform cannot show.
packages=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-translations-l10n libgl-dev
          fonts-dejavu-core ser2net python3-pymodbus python3-serial python3-serial-asyncio
          xvfb xauth)
if [ "$kind" = checking ]; then
  # libFuzzer and the sanitizer runtimes; llvm-14 brings the symbolizer that
  # turns sanitizer reports into file and line.
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
elif [ "$kind" != normal ]; then
  echo "usage: tools/setup.sh [checking]" >&2
  exit 2
fi
tools/install-missing.sh "${packages[@]}"

if [ "$kind" = checking ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLINTROVA_FUZZ=ON > /dev/null
  cmake --build build-asan -j"$(nproc)"
else
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
  cmake --build build -j"$(nproc)"
fi
