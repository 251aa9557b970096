#!/usr/bin/env bash
# Builds the Debian package ruzovizu_<version>_<arch>.deb into build/deb/: a
# release build of the engine and the launcher, then CPack. Install it with
#   apt install ./build/deb/ruzovizu_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make dpkg-dev libhts-dev zlib1g-dev libtbb-dev qt6-base-dev qt6-charts-dev qt6-svg-dev libbigwig-dev

cmake -S . -B build/deb -DCMAKE_BUILD_TYPE=Release -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCH=OFF \
      -DRUZ_BUILD_LAUNCHER=ON -DRUZ_REQUIRE_LAUNCHER=ON >/dev/null
cmake --build build/deb -j "$(nproc 2>/dev/null || echo 2)"
rm -f build/deb/*.deb
(cd build/deb && cpack -G DEB)
echo "Package:"
ls -1 "$PWD"/build/deb/*.deb
