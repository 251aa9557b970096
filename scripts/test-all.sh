#!/usr/bin/env bash
# Builds everything and runs every test twice: in the debug build and in the
# build with the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make libgtest-dev libbenchmark-dev qt6-base-dev fonts-dejavu-core \
    libhts-dev zlib1g-dev libtbb-dev snakemake dpkg-dev

jobs=$(nproc 2>/dev/null || echo 2)
for preset in debug asan; do
    echo "== $preset build"
    cmake --preset "$preset" -DRUZ_REQUIRE_LAUNCHER=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$jobs"
done
echo "All tests passed (debug and sanitizer builds)."
