#!/usr/bin/env bash
# The private one-node Slurm cluster of slurm_cluster.sh: it starts, runs a
# batch job to COMPLETED with the CPUs and memory it asked for, cancels a
# running job (CANCELLED), and stops again leaving none of its processes and
# no change to the system's Slurm or munge configuration.
#
# usage: slurm_cluster_test.sh      (exit 77: no Slurm cluster possible here)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=slurm_cluster.sh
source "$here/slurm_cluster.sh"
slurm_cluster_can_run || exit 77

work=$(mktemp -d)
trap 'slurm_cluster_stop; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
cluster=$work/cluster
mkdir "$cluster"

fail() { echo "FAILED: $*" >&2; exit 1; }

# What the system's Slurm and munge setup looks like, to compare afterwards.
system_config() {
    local dir
    for dir in /etc/slurm /etc/munge /run/munge; do
        if [ -e "$dir" ]; then
            find "$dir" -printf '%p %m %u %s %T@\n' 2>/dev/null | sort
        else
            echo "$dir absent"
        fi
    done
}
system_config >"$work/system_before"

slurm_cluster_start "$cluster" || fail "the cluster did not start"
echo "cluster up in ${SLURM_CLUSTER_STARTUP_SECONDS}s (node $SLURM_CLUSTER_NODE," \
    "$SLURM_CLUSTER_CPUS CPUs, ${SLURM_CLUSTER_MEMORY_MB} MB)"
[ "$SLURM_CONF" = "$cluster/slurm.conf" ] || fail "SLURM_CONF is $SLURM_CONF"
[ "$(sinfo -h -o '%P %a')" = "debug* up" ] || fail "no default partition debug: $(sinfo)"

job_state() { scontrol show job -o "$1" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }
wait_state() {  # $1 job, $2 state, $3 seconds
    local job=$1 want=$2 deadline=$((SECONDS + $3)) state
    while :; do
        state=$(job_state "$job") || state=
        [ "$state" = "$want" ] && return 0
        case $state in PENDING | RUNNING | COMPLETING | CONFIGURING) ;; *) break ;; esac
        [ $SECONDS -ge $deadline ] && break
        sleep 0.5
    done
    scontrol show job "$job" >&2
    fail "job $job is $state, not $want"
}

# A job that fits: as many CPUs as the node has, up to 2, and 100 MB.
cpus=$((SLURM_CLUSTER_CPUS < 2 ? SLURM_CLUSTER_CPUS : 2))
cd "$work"
job=$(sbatch --parsable --cpus-per-task=$cpus --mem=100 -o "$work/job_%j.out" --wrap 'echo hi; nproc')
[[ $job =~ ^[0-9]+$ ]] || fail "sbatch printed '$job' instead of a job id"
wait_state "$job" COMPLETED 60
scontrol show job -o "$job" | grep -q " NumCPUs=$cpus .*MinMemoryNode=100M " ||
    fail "job $job did not get $cpus CPUs and 100 MB: $(scontrol show job -o "$job")"
out=$work/job_$job.out
[ -f "$out" ] || fail "no output file $out"
[ "$(sed -n 1p "$out")" = hi ] || fail "$out: $(cat "$out")"
[[ $(sed -n 2p "$out") =~ ^[1-9][0-9]*$ ]] || fail "$out: $(cat "$out")"
[ "$(wc -l <"$out")" -eq 2 ] || fail "$out: $(cat "$out")"

# A running job, cancelled.
job=$(sbatch --parsable -o /dev/null --wrap 'sleep 300')
wait_state "$job" RUNNING 60
scancel "$job"
wait_state "$job" CANCELLED 60

# The stop ends every process of the cluster, and a second stop is harmless.
started=$(awk '{ print $2 }' "$cluster/pids")
slurm_cluster_stop
slurm_cluster_stop
for pid in $started; do
    if [ -r "/proc/$pid/stat" ] && ! grep -q ') Z ' "/proc/$pid/stat"; then
        fail "process $pid ($(tr '\0' ' ' <"/proc/$pid/cmdline")) still runs"
    fi
done
for cmdline in /proc/[0-9]*/cmdline; do
    if tr '\0' ' ' 2>/dev/null <"$cmdline" | grep -qF -- "$cluster/"; then
        fail "${cmdline%/cmdline} still runs: $(tr '\0' ' ' <"$cmdline")"
    fi
done
[ -z "${SLURM_CONF:-}" ] || fail "SLURM_CONF still set after the stop"

system_config >"$work/system_after"
cmp -s "$work/system_before" "$work/system_after" ||
    { diff "$work/system_before" "$work/system_after" >&2; fail "the system's Slurm or munge files changed"; }
echo "slurm cluster test passed"
