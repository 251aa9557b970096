#!/usr/bin/env bash
# Builds the fuzz preset (clang-14, libFuzzer, address and undefined-behaviour
# sanitizers) and runs every fuzz target of tests/fuzz for SECONDS seconds
# each (default 60), over its seed corpus tests/fuzz/corpus/<target>/ and the
# inputs earlier runs found (build/fuzz/corpus/<target>/). Prints the
# executions and the coverage of each target.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     e.g. scripts/fuzz.sh 15
#   scripts/fuzz.sh --runs N [TARGET...]      N executions per target instead
#   --timeout S                               an input may take S seconds
#                                             (default 1; more only on a
#                                             machine busy with other work,
#                                             where a wait counts as time)
#   --jobs J                                  J processes of each target on one
#                                             corpus, sharing the N
#                                             executions (a target's inputs
#                                             are run one at a time, so
#                                             this is how a long run uses
#                                             every processor)
#
# Any crash, leak, sanitizer report, broken check of a target or input that
# takes over 1 s fails the run; the input that caused it is left in
# build/fuzz/crashes/ (crash-*, leak-*, timeout-*, oom-*). Reproduce one with
#   build/fuzz/fuzzers/fuzz_<target> build/fuzz/crashes/<file>
# The targets' own log of each run is build/fuzz/logs/<target>.log (and
# <target>.2.log ... for the further jobs).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/packages.sh
. scripts/fuzz-logs.sh

seconds=60
runs=""
timeout=1
jobs=1
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=${2:?"--runs needs a number of executions"}; shift 2 ;;
    --timeout) timeout=${2:?"--timeout needs a number of seconds"}; shift 2 ;;
    --jobs) jobs=${2:?"--jobs needs a number of processes"}; shift 2 ;;
    *) break ;;
    esac
done
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz.sh: --jobs needs a number of processes, not $jobs" >&2; exit 2; }
if [ $# -gt 0 ] && [[ "$1" =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi

# Each target with the longest input it is given (-max_len): long enough for
# lines past the engine's line buffer, short enough that the readers that
# allocate by the input's size, or do a file's work for each line of a list,
# stay fast.
declare -A max_len=(
    [params]=4096 [call_file]=4096 [task_list]=16384 [reads]=16384
    [genome]=65539 [parted_list]=8192 [sequence]=65536
    [catalogue]=4096 [about_file]=8192 [param_template]=8192
)
all_targets=(params call_file task_list reads genome parted_list sequence catalogue about_file param_template)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
    [ -n "${max_len[$t]:-}" ] || { echo "fuzz.sh: no fuzz target $t (targets: ${all_targets[*]})" >&2; exit 2; }
done

ensure_packages clang-14 libfuzzer-14-dev cmake make qt6-base-dev qt6-charts-dev qt6-svg-dev libhts-dev zlib1g-dev libtbb-dev

echo "== fuzz build"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)"

build=$root/build/fuzz
mkdir -p "$build/crashes" "$build/logs"
# The targets write the files their readers open into a scratch folder of
# their own under TMPDIR: memory when the machine offers it.
scratch_base=/dev/shm
[ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=$build
export TMPDIR
TMPDIR=$(mktemp -d "$scratch_base/ruz-fuzz.XXXXXX")
trap 'rm -rf "$TMPDIR"' EXIT
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# AddressSanitizer holds freed blocks back (its quarantine, 256 MB by
# default) to catch a use after free. Over millions of inputs that fills the
# process to over 1 GB, and above half the 2 GB limit libFuzzer purges the
# allocator every second: the run then slows to a fraction of its speed. 64 MB
# still holds the blocks of thousands of inputs back.
# It also keeps the call stack of every allocation, found by following frame
# pointers. Through Qt's library, built without them, the stacks are from the
# third frame on what the registers happen to hold: the launcher's targets
# made hundreds of thousands of distinct stacks per 100,000 inputs, a store
# that grows without bound and is searched on every allocation. Two frames
# (the allocating function and its caller) keep it to a few hundred. A
# report then shows two frames of where a block was allocated and freed; run
# its reproducer with ASAN_OPTIONS=malloc_context_size=30 for the whole
# stacks. The access that failed is shown whole either way.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64:malloc_context_size=2}

# The command that runs target T: the fuzzer with its limits, corpus
# folders and where it leaves reproducers.
fuzzer_command() {
    local t=$1
    command=("$build/fuzzers/fuzz_$t" "${limit[@]}" -timeout="$timeout" -rss_limit_mb=2048
        -max_len="${max_len[$t]}" -print_final_stats=1
        -artifact_prefix="$build/crashes/$t-"
        "$build/corpus/$t" "$root/tests/fuzz/corpus/$t")
}

# Runs the jobs of target T side by side on its corpus, job J writing the
# J-th of the logs; when one ends with a failure the others are asked to
# stop (SIGUSR1: they end cleanly), so that a finding ends the run. Each
# process keeps its own scratch folder, and libFuzzer takes up the inputs
# the others add to the corpus folder as it goes.
run_jobs() {
    local t=$1 j pid ended code status=0 running=() left
    fuzzer_command "$t"
    # Started as simple commands, so that each process is the fuzzer itself
    # (not a shell around it) and a signal reaches it.
    for ((j = 0; j < jobs; j++)); do
        "${command[@]}" >"${logs[j]}" 2>&1 &
        running+=($!)
    done
    # An interrupt reaches the jobs themselves; the script goes on waiting
    # for them to end.
    trap 'true' INT
    while [ ${#running[@]} -gt 0 ]; do
        code=0
        ended=""
        wait -n -p ended "${running[@]}" || code=$?
        if [ -z "$ended" ]; then
            [ "$code" -eq 127 ] && break  # no job left to wait for
            continue                      # woken by the interrupt
        fi
        left=()
        for pid in "${running[@]}"; do [ "$pid" = "$ended" ] || left+=("$pid"); done
        running=("${left[@]}")
        if [ "$code" -ne 0 ] && [ "$status" -eq 0 ]; then
            status=$code
            [ ${#running[@]} -gt 0 ] && kill -USR1 "${running[@]}" 2>/dev/null
        fi
    done
    trap - INT
    return "$status"
}

# One line of the summary table for target T, its result RESULT.
row() {
    local t=$1 result=$2 execs speed cov ft units
    read -r execs speed cov ft units _ < <(fuzz_figures "${logs[@]}")
    printf '%-15s %12s %8s %7s %7s %8s %7s  %s\n' "$t" "$execs" "$((SECONDS - started))" "$speed" \
        "$cov" "$ft" "$units" "$result"
}

failed=()
printf '\n%-15s %12s %8s %7s %7s %8s %7s  %s\n' target executions seconds "exec/s" cov features corpus result
for t in "${targets[@]}"; do
    mkdir -p "$build/corpus/$t"
    rm -f "$build/logs/$t".[0-9]*.log
    logs=("$build/logs/$t.log")
    for ((j = 2; j <= jobs; j++)); do logs+=("$build/logs/$t.$j.log"); done
    limit=(-max_total_time="$seconds")
    [ -n "$runs" ] && limit=(-runs="$(((runs + jobs - 1) / jobs))")
    status=0
    started=$SECONDS
    if [ "$jobs" -eq 1 ]; then
        fuzzer_command "$t"
        "${command[@]}" >"${logs[0]}" 2>&1 || status=$?
    else
        run_jobs "$t" || status=$?
    fi
    # Ctrl-C (or an INT sent to the target) ends the target's run cleanly:
    # not a finding, and the remaining targets are not started.
    if fuzz_interrupted "${logs[@]}"; then
        row "$t" stopped
        echo
        echo "Interrupted: the inputs found so far are kept in $build/corpus/$t."
        exit 130
    fi
    if [ "$status" -ne 0 ] || fuzz_found "${logs[@]}"; then
        row "$t" "FAILED (status $status, see ${logs[*]})"
        failed+=("$t")
    else
        row "$t" ok
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo
    echo "Fuzzing found problems in: ${failed[*]}"
    for t in "${failed[@]}"; do
        mapfile -t logs < <(fuzz_logs "$build/logs" "$t")
        fuzz_report_lines "${logs[@]}" | head -5 | sed "s/^/  $t: /"
    done
    echo "Reproducers:"
    for t in "${failed[@]}"; do
        mapfile -t logs < <(fuzz_logs "$build/logs" "$t")
        sed -n 's/.*Test unit written to /  /p' "${logs[@]}"
    done
    exit 1
fi
echo
echo "Every fuzz target ran without a finding."
