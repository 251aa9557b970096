#!/usr/bin/env bash
# How time and memory grow with the genome: every analysis on random genomes
# of growing size (by default 10 M, 100 M, 500 M and 2 GiB - 1 bases, the
# largest genome the file formats allow) with the same reads count, each run
# under /usr/bin/time. Prints one table: wall time, processor time, peak
# memory, bytes of peak memory per genome base and nanoseconds per base.
#
# Usage: bench/scale.sh [BASES...]
# Environment:
#   RUZ_SCALE_READS   reads in each generated set (default 10000000)
#   RUZ_SCALE_THREADS threads of every run (default 2)
#   RUZ_SCALE_ONLY    the analyses to run, separated by blanks (default: all)
#   RUZ_SCALE_LIMIT_MIB  the address space each run may take (default: the
#                     machine's memory less 1 GiB), so a run too large for
#                     the machine fails with its memory message
#   RUZ_COMPARE_DIR   where the inputs are generated and kept (see
#                     bench/compare.sh; 2 GiB - 1 bases and 10 M reads take
#                     about 12 GB of disk)
# The runs are those of bench/compare.sh without its peers; its inputs are
# generated once per size and reused.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
SIZES=("$@")
[[ ${#SIZES[@]} -gt 0 ]] || SIZES=(10000000 100000000 500000000 2147483647)
READS=${RUZ_SCALE_READS:-10000000}
THREADS=${RUZ_SCALE_THREADS:-2}
MEMORY_MIB=$(awk '/^MemTotal:/ { print int($2 / 1024) }' /proc/meminfo)
LIMIT_MIB=${RUZ_SCALE_LIMIT_MIB:-$((MEMORY_MIB - 1024))}
for n in "${SIZES[@]}" "$READS" "$THREADS" "$LIMIT_MIB"; do
    [[ $n =~ ^[1-9][0-9]*$ ]] || { echo "scale.sh: '$n' is not a positive whole number" >&2; exit 2; }
done
for n in "${SIZES[@]}"; do
    ((n <= 2147483647)) || { echo "scale.sh: $n bases is more than a genome file may hold (2147483647)" >&2; exit 2; }
done

TSV=$(mktemp "${TMPDIR:-/tmp}/ruz-scale.XXXXXX")
trap 'rm -f "$TSV"' EXIT
for bases in "${SIZES[@]}"; do
    RUZ_COMPARE_PEERS=0 RUZ_COMPARE_ONLY=${RUZ_SCALE_ONLY:-} RUZ_COMPARE_TSV=$TSV RUZ_COMPARE_LIMIT_MIB=$LIMIT_MIB \
        "$ROOT/bench/compare.sh" "$bases" "$READS" "$THREADS" >/dev/null
done

MODEL=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "Ruzovizu $(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null || echo '?'), release build"
echo "machine: ${MODEL:-unknown processor}, $(nproc) processors, $((MEMORY_MIB / 1024)) GiB; threads: $THREADS;" \
    "reads: $READS of 50 bases a set; each run limited to $LIMIT_MIB MiB of address space"
echo
# Rows by analysis, then by size; B/base = peak memory over genome bases.
awk -F'\t' '
    BEGIN {
        printf "| %-28s | %10s | %8s | %8s | %7s | %6s | %7s |\n", "analysis", "bases", "s", "cpu s", "MiB", "B/base", "ns/base"
        printf "| %-28s | %10s | %8s | %8s | %7s | %6s | %7s |\n", "----------------------------", "---------:", "-------:", "-------:", "------:", "-----:", "------:"
    }
    {
        if ($5 == "failed") {
            printf "| %-28s | %10d | %8s | %8s | %7s | %6s | %7s |\n", $1, $2, "failed", "-", "-", "-", "-"
        } else {
            printf "| %-28s | %10d | %8.2f | %8.2f | %7d | %6.1f | %7.1f |\n", $1, $2, $5, $6, $7, $7 * 1048576 / $2, $5 * 1e9 / $2
        }
    }' < <(sort -t$'\t' -k1,1 -k2,2n "$TSV")
echo
echo "s: wall time; cpu s: processor time (user + system); MiB: peak resident memory;"
echo "B/base: that memory per genome base; ns/base: wall time per genome base."
