#!/usr/bin/env bash
# Builds everything and runs every test: the debug build, the build with the
# address and undefined-behaviour sanitizers, the thread-sanitizer build for
# the tests that run analyses on several threads, a short run of every fuzz
# target, and the Windows cross-build compared with the Linux build under
# Wine. RUZ_SKIP_FUZZ=1 or RUZ_SKIP_WINDOWS=1 leave those two steps out.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make libgtest-dev libbenchmark-dev qt6-base-dev qt6-charts-dev qt6-svg-dev fonts-dejavu-core \
    libhts-dev zlib1g-dev libtbb-dev snakemake dpkg-dev libbigwig-dev \
    bedtools python3-pybigwig igv xvfb xauth

jobs=$(nproc 2>/dev/null || echo 2)
for preset in debug asan; do
    echo "== $preset build"
    cmake --preset "$preset" -DRUZ_REQUIRE_LAUNCHER=ON -DRUZ_REQUIRE_BIGWIG=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    echo "== $preset tests"
    ctest --preset "$preset" -j "$jobs"
done

echo "== thread-sanitizer build (oneTBB built with the sanitizer)"
tbb_dir=$(scripts/tsan-tbb.sh)
cmake --preset tsan -DTBB_DIR="$tbb_dir" >/dev/null
cmake --build --preset tsan -j "$jobs" --target engine_tests Ruzovizu
echo "== thread-sanitizer tests"
ctest --preset tsan -j "$jobs"

if [ -z "${RUZ_SKIP_FUZZ:-}" ] && [ -x scripts/fuzz.sh ]; then
    echo "== fuzz targets, 15 s each"
    scripts/fuzz.sh 15
fi

if [ -z "${RUZ_SKIP_WINDOWS:-}" ] && [ -x scripts/windows-check.sh ]; then
    echo "== Windows cross-build under Wine"
    scripts/windows-check.sh --linux-engine build/debug/bin/Ruzovizu
fi
echo "All tests passed."
