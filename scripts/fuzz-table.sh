#!/usr/bin/env bash
# Prints one row of the long-run table of docs/reliability.md for each
# target named (default: every target with a log), from the logs its last
# run left in build/fuzz/logs/ (<target>.log, and <target>.2.log ... for a
# run of several jobs):
#
#   scripts/fuzz-table.sh reads sequence
#
# | target | executions | exec/s | cov | features | corpus | peak MiB | finding |
#
# "finding" is "none" for a run whose processes all ended cleanly, "stopped"
# for one interrupted, and the first line of the report otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-logs.sh
logs_dir=build/fuzz/logs

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for log in "$logs_dir"/*.log; do
        t=$(basename "$log" .log)
        [ -e "$log" ] && [[ ! "$t" =~ \.[0-9]+$ ]] && targets+=("$t")
    done
fi

# 1234567 -> 1,234,567
grouped() { LC_ALL=C printf '%s' "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta'; }

for t in "${targets[@]}"; do
    mapfile -t logs < <(fuzz_logs "$logs_dir" "$t")
    [ ${#logs[@]} -gt 0 ] || { echo "fuzz-table.sh: no log of $t ($logs_dir/$t.log)" >&2; exit 2; }
    read -r execs speed cov ft corp peak < <(fuzz_figures "${logs[@]}")
    printf '| `%s` | %s | %s | %s | %s | %s | %s | %s |\n' "$t" "$(grouped "$execs")" "$(grouped "$speed")" \
        "$cov" "$ft" "$corp" "$peak" "$(fuzz_outcome "${logs[@]}")"
done
