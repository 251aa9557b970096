#!/usr/bin/env bash
# Builds the engine and runs it on the bundled examples:
#  - examples/: a 6000-letter genome (letters and codes) with reads whose end
#    was replaced (RandExt), reads with planted circular permutations
#    (fIdentifyCircularRna) and parted reads in two coded files
#    (fMatchReadsT_VarSzParted and its rating over both files);
#  - examples/fastq/: a phage genome as FASTA.gz and reads as FASTQ.gz,
#    prepared into the engine's files (fPrepGenome, fPrepReads) and then
#    searched with RandExt, mapped exactly (fMatchReadsT_VarSzO), sifted
#    for reads outside the genome (fReadsOutOfSeq) and its repeats measured
#    (fTestGenomeSborka).
# Every analysis also writes its genome-browser tracks (--tracks), and each
# genome is written as FASTA beside them, ready for a genome browser.
# The results go to fresh folders, results/example and results/fastq.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages g++ cmake make libhts-dev zlib1g-dev libtbb-dev libbigwig-dev

cmake -S . -B build/example -DCMAKE_BUILD_TYPE=Release \
      -DRUZ_BUILD_TESTS=OFF -DRUZ_BUILD_BENCH=OFF -DRUZ_BUILD_LAUNCHER=OFF >/dev/null
cmake --build build/example --target Ruzovizu -j2

# Standard input from /dev/null: the engine's key waits return at once.
run() {
    echo
    echo "== Ruzovizu $*"
    build/example/bin/Ruzovizu "$@" </dev/null
}

rm -rf results/example results/fastq
mkdir -p results/example results/fastq
run --tracks examples/RandExt.txt RandExt
for f in fIdentifyCircularRna fMatchReadsT_VarSzParted fMatchReadsT_VarSzPartedRate; do
    run --tracks "examples/$f.txt" "$f"
done
for f in fPrepGenome fPrepReads; do
    run "examples/fastq/$f.txt" "$f"
done
# These parameter files ask for tracks themselves (tracks = yes).
for f in RandExt fMatchReadsT_VarSzO fReadsOutOfSeq fTestGenomeSborka; do
    run "examples/fastq/$f.txt" "$f"
done
echo
for f in results/example/* results/fastq/*Log.txt; do
    [ -f "$f" ] || continue
    echo "== $f (first lines)"
    head -n 12 "$f"
    echo
done
# The genomes as FASTA for the browser: the phage under its record's name,
# which its tracks carry; the small genome under its file's name.
zcat examples/fastq/lambda_virus.fa.gz >results/fastq/lambda_virus.fa
{ echo ">genome"; fold -w 70 examples/genome.txt; echo; } >results/example/genome.fa
echo "The results are in results/example/ and results/fastq/."
echo "Their tracks (.bed, .bedGraph, .bw, .fa) open in a genome browser, for example:"
echo "  igv -g results/fastq/lambda_virus.fa 'results/fastq/sample_1[40-400]lambda_virus_Up.bw' results/fastq/RepTest_lambda_virus.bed"
echo "(docs/tracks.md says which file holds what.)"
