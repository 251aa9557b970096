#!/usr/bin/env bash
# Prints one row of the long-run table of docs/reliability.md for each
# target named (default: every target with a log), from the log its last
# run left in build/fuzz/logs/<target>.log:
#
#   scripts/fuzz-table.sh reads sequence
#
# | target | executions | exec/s | cov | features | corpus | peak MiB | finding |
#
# "finding" is "none" for a run that reached its end cleanly, "stopped" for
# one interrupted, and the first line of the report otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
logs=build/fuzz/logs

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for log in "$logs"/*.log; do
        [ -e "$log" ] && targets+=("$(basename "$log" .log)")
    done
fi

# 1234567 -> 1,234,567
grouped() { LC_ALL=C printf '%s' "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta'; }

for t in "${targets[@]}"; do
    log=$logs/$t.log
    [ -f "$log" ] || { echo "fuzz-table.sh: no log of $t ($log)" >&2; exit 2; }
    stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    field() { sed -n "s/.* $1: \([0-9]*\).*/\1/p" <<<"$last"; }
    finding=none
    if grep -q '^==[0-9]*== libFuzzer: run interrupted' "$log"; then
        finding=stopped
    elif grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|FUZZ CHECK FAILED' "$log"; then
        finding=$(grep -m1 -E 'runtime error:|ERROR:|FUZZ CHECK FAILED' "$log" | cut -c1-80)
    elif ! grep -q '^Done [0-9]* runs' "$log"; then
        finding="no end (still running?)"
    fi
    printf '| `%s` | %s | %s | %s | %s | %s | %s | %s |\n' "$t" \
        "$(grouped "$(stat number_of_executed_units)")" "$(grouped "$(stat average_exec_per_sec)")" \
        "$(field cov)" "$(field ft)" "$(field corp)" "$(stat peak_rss_mb)" "$finding"
done
