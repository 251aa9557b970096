#!/usr/bin/env bash
# Builds the engine and runs RandExt on the bundled example (examples/):
# a 6000-letter genome and 68 reads with replaced ends planted on both
# strands. The results go to a fresh folder, results/example.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make libhts-dev zlib1g-dev libtbb-dev

cmake -S . -B build/example -DCMAKE_BUILD_TYPE=Release \
      -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCH=OFF -DRUZ_BUILD_LAUNCHER=OFF >/dev/null
cmake --build build/example --target Ruzovizu -j2

rm -rf results/example
mkdir -p results/example
echo
echo "== Ruzovizu examples/RandExt.txt RandExt"
# Standard input from /dev/null: the engine's key waits return at once.
build/example/bin/Ruzovizu examples/RandExt.txt RandExt </dev/null
echo
for f in results/example/*; do
    echo "== $f (first lines)"
    head -n 12 "$f"
    echo
done
echo "The result table and its log are in results/example/."
