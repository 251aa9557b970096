#!/usr/bin/env bash
# Every analysis of the engine side by side with the peer tool a user would
# pick for the same question, on the same generated data, index builds
# included: wall time and peak memory of each, and their ratio.
#
# Usage: bench/compare.sh [GENOME_BASES] [READS] [THREADS]
#        (defaults: 10000000 1000000, every processor)
# Environment:
#   RUZ_COMPARE_DIR   folder of the generated inputs, kept and reused for
#                     the same sizes, and of the run logs
#                     (default: ${TMPDIR:-/tmp}/ruz-compare)
#   RUZ_COMPARE_ONLY  the analyses to run, separated by blanks (default: all)
#   RUZ_COMPARE_PEERS 0: run no peer tool
#   RUZ_ENGINE        an engine to time instead of building build/release
#   RUZ_COMPARE_TSV   a file that gets one line per analysis run:
#                     function, bases, reads, threads, s, cpu s, MiB (or
#                     "failed" in the last three)
#   RUZ_COMPARE_LIMIT_MIB  runs each analysis with at most this much address
#                     space (prlimit), so that one larger than the machine
#                     fails with its memory message instead of swapping
# The peers (Debian bowtie2, bwa, mummer) are run when installed and skipped
# otherwise. docs/performance.md pairs each analysis with its peer command.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
GENOME_BASES=${1:-10000000}
READS=${2:-1000000}
THREADS=${3:-$(nproc)}
for n in "$GENOME_BASES" "$READS" "$THREADS"; do
    [[ $n =~ ^[1-9][0-9]*$ ]] || { echo "compare.sh: '$n' is not a positive whole number" >&2; exit 2; }
done
BASE=${RUZ_COMPARE_DIR:-${TMPDIR:-/tmp}/ruz-compare}
DATA=$BASE/g$GENOME_BASES-r$READS
WORK=$BASE/run-g$GENOME_BASES-r$READS-t$THREADS
ONLY=${RUZ_COMPARE_ONLY:-}
PEERS=${RUZ_COMPARE_PEERS:-1}
TSV=${RUZ_COMPARE_TSV:-}
LIMIT_MIB=${RUZ_COMPARE_LIMIT_MIB:-}

say() { printf '== %s\n' "$*" >&2; }
die() { printf 'compare.sh: %s\n' "$*" >&2; exit 1; }

# --- tools and engine -------------------------------------------------------
. "$ROOT/scripts/packages.sh"
ensure_packages time python3
if [[ -n ${RUZ_ENGINE:-} ]]; then
    ENGINE=$RUZ_ENGINE
else
    ensure_packages g++ cmake make libhts-dev zlib1g-dev libtbb-dev
    say "building the release engine (build/release)"
    (cd "$ROOT" && {
        [[ -f build/release/CMakeCache.txt ]] || cmake --preset release -DRUZ_BUILD_LAUNCHER=OFF >/dev/null
        cmake --build --preset release --target Ruzovizu -j "$(nproc)" >/dev/null
    }) || die "the release build failed (run: cmake --build --preset release --target Ruzovizu)"
    ENGINE=$ROOT/build/release/bin/Ruzovizu
fi
[[ -x $ENGINE ]] || die "no engine at $ENGINE"

# --- inputs -----------------------------------------------------------------
GENERATOR=$ROOT/bench/compare/make_inputs.py
STAMP=$(sha256sum "$GENERATOR" | cut -c1-16)
if [[ $(cat "$DATA/.complete" 2>/dev/null) != "$STAMP" ]]; then
    say "generating $GENOME_BASES bases and 3 x $READS reads in $DATA"
    rm -rf "$DATA"
    python3 "$GENERATOR" "$DATA" "$GENOME_BASES" "$READS" || die "input generation failed"
    echo "$STAMP" >"$DATA/.complete"
fi
# Both sides find the inputs in the page cache.
cat "$DATA"/*.txt "$DATA"/*.bin "$DATA"/*.fa "$DATA"/*.fq >/dev/null

rm -rf "$WORK"
mkdir -p "$WORK/logs" "$WORK/params" "$WORK/peer"
LOGS=$WORK/logs

# --- measuring --------------------------------------------------------------
# measure NAME COMMAND...: runs the command with standard input from
# /dev/null and its output in $LOGS/NAME.log; sets SECS (wall time), CPU
# (processor time, user and system: what the run costs whatever else loads
# the machine) and MIB (peak resident memory of its largest process) and
# returns its status.
measure() {
    local name=$1 status=0 kib user system
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$LOGS/$name.time" "$@" </dev/null >"$LOGS/$name.log" 2>&1 || status=$?
    read -r SECS kib user system < <(tail -n 1 "$LOGS/$name.time")
    MIB=$(((kib + 1023) / 1024))
    CPU=$(add "$user" "$system")
    return $status
}
add() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }
max() { echo $(($1 > $2 ? $1 : $2)); }

declare -A OUR_S OUR_C OUR_M PEER_S PEER_C PEER_M PEER_NAME RUN_S RUN_C RUN_M

# --- our analyses -----------------------------------------------------------
# Every analysis the engine lists (Ruzovizu --list), its parameter file its
# template with the values of bench/compare/parameter_values.txt: an
# analysis added to the engine is timed too, once it has its values there.
VALUES=$ROOT/bench/compare/parameter_values.txt
mapfile -t ANALYSES < <("$ENGINE" --list | cut -f1)
write_params() {
    local fn
    for fn in "${ANALYSES[@]}"; do
        "$ROOT/scripts/fill-params.sh" "$ENGINE" "$fn" "$VALUES" "$DATA" "$WORK/params/$fn.txt" "$WORK/out" ||
            die "no parameter file for $fn: give its values in $VALUES"
    done
}
# Reads each analysis scans (the rating reads two files).
declare -A SCANNED=([fPrepGenome]=0 [fMatchReadsT_VarSzPartedRate]=$((2 * READS)))

run_ours() {
    local fn=$1
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    local limit=()
    [[ -z $LIMIT_MIB ]] || limit=(prlimit --as=$((LIMIT_MIB * 1024 * 1024)))
    say "Ruzovizu --threads $THREADS $fn"
    if measure "$fn" "${limit[@]}" "$ENGINE" --threads "$THREADS" "$WORK/params/$fn.txt" "$fn"; then
        OUR_S[$fn]=$SECS OUR_C[$fn]=$CPU OUR_M[$fn]=$MIB
    else
        OUR_S[$fn]=failed OUR_C[$fn]=- OUR_M[$fn]=-
        echo "   $fn failed; its console text is in $LOGS/$fn.log" >&2
    fi
    [[ -z $TSV ]] || printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$fn" "$GENOME_BASES" "$READS" "$THREADS" \
        "${OUR_S[$fn]}" "${OUR_C[$fn]/-/failed}" "${OUR_M[$fn]/-/failed}" >>"$TSV"
    # Outputs can be large (one line a genome position); two analyses write
    # beside the reads file.
    rm -rf "$WORK/out" "$DATA/reads_In.bin" "$DATA/readsMany.bin"
}

# --- peers ------------------------------------------------------------------
have() { [[ $PEERS != 0 ]] && command -v "$1" >/dev/null; }

# peer_run KEY COMMAND...: one peer command, measured once per script run;
# sets SECS, CPU and MIB, or returns 1 when it failed.
peer_run() {
    local key=$1
    shift
    if [[ -z ${RUN_S[$key]:-} ]]; then
        say "peer: $*"
        if measure "peer-$key" "$@"; then
            RUN_S[$key]=$SECS RUN_C[$key]=$CPU RUN_M[$key]=$MIB
        else
            RUN_S[$key]=failed
        fi
    fi
    [[ ${RUN_S[$key]} != failed ]] || { echo "   peer $key failed; see $LOGS/peer-$key.log" >&2; return 1; }
    SECS=${RUN_S[$key]} CPU=${RUN_C[$key]} MIB=${RUN_M[$key]}
}

# peer FUNCTION NAME KEY...: the peer's figures for FUNCTION: the sums of
# the times and the largest memory of the measured runs KEY (already done).
peer() {
    local fn=$1 secs=0 cpu=0 mib=0 key
    PEER_NAME[$fn]=$2
    shift 2
    for key in "$@"; do
        [[ ${RUN_S[$key]:-failed} != failed ]] || { PEER_S[$fn]=failed PEER_C[$fn]=- PEER_M[$fn]=-; return; }
        secs=$(add "$secs" "${RUN_S[$key]}") cpu=$(add "$cpu" "${RUN_C[$key]}") mib=$(max "$mib" "${RUN_M[$key]}")
    done
    PEER_S[$fn]=$secs PEER_C[$fn]=$cpu PEER_M[$fn]=$mib
}

BT2_INDEX=$WORK/peer/genome
bowtie2_exact() {  # bowtie2_exact KEY OPTIONS...: exact end-to-end alignment
    local key=$1
    shift
    peer_run bt2-index bowtie2-build --threads "$THREADS" "$DATA/genome.fa" "$BT2_INDEX" &&
        peer_run "$key" bowtie2 --end-to-end --score-min C,0,0 -p "$THREADS" -x "$BT2_INDEX" "$@" -S /dev/null
}
bwa_mem() {  # bwa_mem KEY READS: local alignment with split (supplementary) hits
    peer_run bwa-index bwa index -p "$WORK/peer/genome" "$DATA/genome.fa" &&
        peer_run "$1" bwa mem -t "$THREADS" -o /dev/null "$WORK/peer/genome" "$2"
}

run_peer() {
    local fn=$1 tip keys=()
    case $fn in
    RandExt)
        bowtie2_exact heads6 -3 6 -U "$DATA/tips.fq" || true
        peer "$fn" "bowtie2 exact, heads of 44" bt2-index heads6 ;;
    RandExtTaskList)
        for tip in $(seq 4 16); do
            bowtie2_exact "heads$tip" -3 "$tip" -U "$DATA/tips.fq" || true
            keys+=("heads$tip")
        done
        peer "$fn" "bowtie2 exact, heads of 34..46 (13 runs)" bt2-index "${keys[@]}" ;;
    fReadsOutOfSeq | fGetReadsThatOutOfSeq)
        bowtie2_exact unaligned --reorder -U "$DATA/reads.fq" --un "$WORK/peer/unaligned.fq" || true
        peer "$fn" "bowtie2 exact, --un" bt2-index unaligned ;;
    fMapReadsOneInSeq)
        bowtie2_exact k2 --norc -k 2 -U "$DATA/reads.fq" || true
        peer "$fn" "bowtie2 exact, --norc -k 2" bt2-index k2 ;;
    fMatchReadsT_VarSzO)
        bowtie2_exact all -a -U "$DATA/reads.fq" || true
        peer "$fn" "bowtie2 exact, -a" bt2-index all ;;
    fMapReadsOnToSeq)
        bwa_mem mem-reads "$DATA/reads.fq" || true
        peer "$fn" "bwa mem" bwa-index mem-reads ;;
    fIdentifyCircularRna | fMatchReadsT_VarSzParted)
        bwa_mem mem-circ "$DATA/circ.fq" || true
        peer "$fn" "bwa mem (split hits)" bwa-index mem-circ ;;
    fMatchReadsT_VarSzPartedRate)
        bwa_mem mem-circ "$DATA/circ.fq" && bwa_mem mem-reads "$DATA/reads.fq" || true
        peer "$fn" "bwa mem, both files" bwa-index mem-circ mem-reads ;;
    fTestGenomeSborka)
        peer_run repeats sh -c 'repeat-match -f -n 20 "$1" >"$2"' sh "$DATA/genome.fa" "$WORK/peer/repeats.txt" ||
            true
        peer "$fn" "repeat-match -f -n 20" repeats ;;
    esac
}

needs_peer() {
    case $1 in
    RandExt* | fReadsOutOfSeq | fGetReadsThatOutOfSeq | fMapReadsOneInSeq | fMatchReadsT_VarSzO) have bowtie2 ;;
    fMapReadsOnToSeq | fIdentifyCircularRna | fMatchReadsT_VarSzParted*) have bwa ;;
    fTestGenomeSborka) have repeat-match ;;
    *) return 1 ;;
    esac
}

# --- the runs ---------------------------------------------------------------
LOAD_BEFORE=$(uptime | sed 's/.*load average: //')
write_params
SELECTED=()
for fn in "${ANALYSES[@]}"; do
    [[ -z $ONLY || " $ONLY " == *" $fn "* ]] && SELECTED+=("$fn")
done
[[ ${#SELECTED[@]} -gt 0 ]] || die "RUZ_COMPARE_ONLY names no analysis of: ${ANALYSES[*]}"
for fn in "${SELECTED[@]}"; do run_ours "$fn"; done
for fn in "${SELECTED[@]}"; do needs_peer "$fn" && run_peer "$fn"; done
LOAD_AFTER=$(uptime | sed 's/.*load average: //')

# --- the table --------------------------------------------------------------
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || echo "not installed"; }
# per_s COUNT SECONDS: millions a second; ratio A B: A over B.
per_s() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.2f", n / (s < 0.01 ? 0.01 : s) / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1fx", a / (b < 0.01 ? 0.01 : b) }'; }
row() { printf '| %-28s | %6s | %6s | %6s | %9s | %-40s | %7s | %7s | %7s | %7s |\n' "$@"; }

MODEL=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo
echo "Ruzovizu $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo '?') against bowtie2 $(version bowtie2)," \
    "bwa $(version bwa), mummer $(version mummer)"
echo "machine: ${MODEL:-unknown processor}, $(nproc) processors; threads: $THREADS"
echo "data: genome $GENOME_BASES bases; $READS reads of 50 in each of reads, circ and tips"
echo "load average (1, 5, 15 min): before $LOAD_BEFORE; after $LOAD_AFTER"
echo
row analysis "ours s" "cpu s" MiB "M reads/s" peer "peer s" "cpu s" MiB ratio
row ---------------------------- -----: -----: -----: --------: ---------------------------------------- \
    ------: ------: ------: ------:
for fn in "${SELECTED[@]}"; do
    ours=${OUR_S[$fn]} theirs=${PEER_S[$fn]:--} rate=- times=-
    scanned=${SCANNED[$fn]:-$READS}
    if [[ $ours != failed ]]; then
        [[ $scanned == 0 ]] || rate=$(per_s "$scanned" "$ours")
        [[ $theirs == - || $theirs == failed ]] || times=$(ratio "$theirs" "$ours")
    fi
    row "$fn" "$ours" "${OUR_C[$fn]}" "${OUR_M[$fn]}" "$rate" "${PEER_NAME[$fn]:--}" "$theirs" "${PEER_C[$fn]:--}" \
        "${PEER_M[$fn]:--}" "$times"
done
echo
echo "s: wall time, cpu s: processor time (user + system), MiB: peak memory; ratio: the peer's wall time over"
echo "ours, index builds included on both sides. Logs in $LOGS"
