#!/usr/bin/env bash
# Builds the engine and runs it on the bundled examples:
#  - examples/: a 6000-letter genome (letters and codes) with reads whose end
#    was replaced (RandExt), reads with planted circular permutations
#    (fIdentifyCircularRna) and parted reads in two coded files
#    (fMatchReadsT_VarSzParted and its rating over both files);
#  - examples/fastq/: a phage genome as FASTA.gz and reads as FASTQ.gz,
#    prepared into the engine's files (fPrepGenome, fPrepReads) and then
#    searched with RandExt.
# The results go to fresh folders, results/example and results/fastq.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make libhts-dev zlib1g-dev libtbb-dev

cmake -S . -B build/example -DCMAKE_BUILD_TYPE=Release \
      -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCH=OFF -DRUZ_BUILD_LAUNCHER=OFF >/dev/null
cmake --build build/example --target Ruzovizu -j2

# Standard input from /dev/null: the engine's key waits return at once.
run() {
    echo
    echo "== Ruzovizu $1 $2"
    build/example/bin/Ruzovizu "$1" "$2" </dev/null
}

rm -rf results/example results/fastq
mkdir -p results/example results/fastq
run examples/RandExt.txt RandExt
for f in fIdentifyCircularRna fMatchReadsT_VarSzParted fMatchReadsT_VarSzPartedRate; do
    run "examples/$f.txt" "$f"
done
for f in fPrepGenome fPrepReads RandExt; do
    run "examples/fastq/$f.txt" "$f"
done
echo
for f in results/example/* results/fastq/*Log.txt; do
    [ -f "$f" ] || continue
    echo "== $f (first lines)"
    head -n 12 "$f"
    echo
done
echo "The results are in results/example/ and results/fastq/."
