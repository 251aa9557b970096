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
#
# Any crash, leak, sanitizer report, broken check of a target or input that
# takes over 1 s fails the run; the input that caused it is left in
# build/fuzz/crashes/ (crash-*, leak-*, timeout-*, oom-*). Reproduce one with
#   build/fuzz/fuzzers/fuzz_<target> build/fuzz/crashes/<file>
# The targets' own log of each run is build/fuzz/logs/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. scripts/packages.sh

seconds=60
runs=""
timeout=1
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=${2:?"--runs needs a number of executions"}; shift 2 ;;
    --timeout) timeout=${2:?"--timeout needs a number of seconds"}; shift 2 ;;
    *) break ;;
    esac
done
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

ensure_packages clang-14 libfuzzer-14-dev cmake make qt6-base-dev libhts-dev zlib1g-dev libtbb-dev

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

failed=()
printf '\n%-15s %12s %8s %7s %7s %8s %7s  %s\n' target executions seconds "exec/s" cov features corpus result
for t in "${targets[@]}"; do
    corpus=$build/corpus/$t
    mkdir -p "$corpus"
    log=$build/logs/$t.log
    limit=(-max_total_time="$seconds")
    [ -n "$runs" ] && limit=(-runs="$runs")
    status=0
    started=$SECONDS
    "$build/fuzzers/fuzz_$t" "${limit[@]}" -timeout="$timeout" -rss_limit_mb=2048 \
        -max_len="${max_len[$t]}" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$t-" \
        "$corpus" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    units=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    result=ok
    # Ctrl-C (or an INT sent to the target) ends the target's run cleanly:
    # not a finding, and the remaining targets are not started.
    if grep -q '^==[0-9]*== libFuzzer: run interrupted' "$log"; then
        printf '%-15s %12s %8s %7s %7s %8s %7s  %s\n' "$t" "${execs:-?}" "$((SECONDS - started))" "${speed:-?}" \
            "${cov:-?}" "${ft:-?}" "${units:-?}" "stopped"
        echo
        echo "Interrupted: the inputs found so far are kept in $corpus."
        exit 130
    fi
    if [ "$status" -ne 0 ] || grep -qE 'runtime error:|ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|FUZZ CHECK FAILED' "$log"; then
        result="FAILED (status $status, see $log)"
        failed+=("$t")
    fi
    printf '%-15s %12s %8s %7s %7s %8s %7s  %s\n' "$t" "${execs:-?}" "$((SECONDS - started))" "${speed:-?}" \
        "${cov:-?}" "${ft:-?}" "${units:-?}" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
    echo
    echo "Fuzzing found problems in: ${failed[*]}"
    for t in "${failed[@]}"; do
        grep -E 'runtime error:|ERROR:|FUZZ CHECK FAILED|SUMMARY:' "$build/logs/$t.log" | head -5 | sed "s/^/  $t: /"
    done
    echo "Reproducers:"
    for t in "${failed[@]}"; do
        sed -n 's/.*Test unit written to /  /p' "$build/logs/$t.log"
    done
    exit 1
fi
echo
echo "Every fuzz target ran without a finding."
