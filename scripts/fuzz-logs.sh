# Reads the logs libFuzzer writes; sourced by fuzz.sh and fuzz-table.sh.
#
# A target's run is one process or several on the same corpus
# (fuzz.sh --jobs N): the first writes build/fuzz/logs/<target>.log, the
# others <target>.2.log, <target>.3.log and so on.

# The logs of a target's last run, one a line.
fuzz_logs() {
    local dir=$1 t=$2 log
    [ -f "$dir/$t.log" ] && echo "$dir/$t.log"
    for log in "$dir/$t".[0-9]*.log; do
        [ -f "$log" ] && echo "$log"
    done
    return 0
}

# The larger of two figures, either possibly empty (not yet known).
larger() {
    if [ -z "$2" ] || { [ -n "$1" ] && [ "$1" -ge "$2" ]; }; then echo "$1"; else echo "$2"; fi
}

# The figures of a run from its logs, on one line:
#   executions exec/s cov features corpus peak-MiB
# Executions and rates are summed over the processes; coverage, features
# and corpus are the largest any process reached (each counts what it has
# seen of the shared corpus); the peak is the largest process's. A figure
# no log holds yet (a run still going has no final figures) is "?".
fuzz_figures() {
    local log v last execs="" speed="" cov="" ft="" corp="" peak=""
    for log in "$@"; do
        v=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        [ -n "$v" ] && execs=$((${execs:-0} + v))
        v=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
        [ -n "$v" ] && speed=$((${speed:-0} + v))
        peak=$(larger "$peak" "$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)")
        last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
        cov=$(larger "$cov" "$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")")
        ft=$(larger "$ft" "$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")")
        corp=$(larger "$corp" "$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")")
    done
    echo "${execs:-?} ${speed:-?} ${cov:-?} ${ft:-?} ${corp:-?} ${peak:-?}"
}

# Whether any of the logs holds a finding: a sanitizer report, a broken
# check of a target, a crash, timeout or leak libFuzzer caught.
fuzz_found() {
    grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|FUZZ CHECK FAILED' "$@"
}

# The lines of the logs that report a finding, and its summary lines.
fuzz_report_lines() {
    grep -h -E 'runtime error:|ERROR:|FUZZ CHECK FAILED|SUMMARY:' "$@"
}

# Whether a log's process reached its end without a finding: its number of
# runs or time done, or stopped on request (SIGUSR1: libFuzzer then ends
# cleanly and prints its figures, which is how a run of several processes
# is ended once they have together done enough).
fuzz_ended() {
    grep -qE '^Done [0-9]* runs|^==[0-9]*== INFO: libFuzzer: exiting as requested' "$1"
}

# Whether the run was interrupted (Ctrl-C, or an INT sent to it): no
# finding, some process interrupted, and every other one ended cleanly.
fuzz_interrupted() {
    local log some=1
    fuzz_found "$@" && return 1
    for log in "$@"; do
        if grep -q '^==[0-9]*== libFuzzer: run interrupted' "$log"; then
            some=0
        elif ! fuzz_ended "$log"; then
            return 1
        fi
    done
    return "$some"
}

# How a run ended, from its logs: the first line of the report of a
# finding, "stopped" when it was interrupted, "none" when every process
# ended cleanly, "no end (still running?)" otherwise.
fuzz_outcome() {
    local log
    if fuzz_found "$@"; then
        fuzz_report_lines "$@" | head -1 | cut -c1-80
        return
    fi
    if fuzz_interrupted "$@"; then
        echo stopped
        return
    fi
    for log in "$@"; do
        fuzz_ended "$log" || { echo "no end (still running?)"; return; }
    done
    echo none
}
