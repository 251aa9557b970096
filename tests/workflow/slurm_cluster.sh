# shellcheck shell=bash
# A private one-node Slurm cluster for tests, to be sourced by a test script.
#
#   slurm_cluster_can_run || exit 77   # prints why not and returns 1
#   dir=$(mktemp -d)
#   trap 'slurm_cluster_stop; rm -rf "$dir"' EXIT
#   trap 'exit 130' INT TERM           # so that the EXIT trap runs
#   slurm_cluster_start "$dir"         # sbatch, squeue, ... now use it
#   ...
#   slurm_cluster_stop                 # safe to call again, e.g. from the trap
#
# Everything of the cluster lives in the folder given to slurm_cluster_start:
# its own munge key and munged (own socket, pid, log and seed files), its own
# slurm.conf with free ports, spool, state, pid and log files. Nothing under
# /etc/slurm, /etc/munge or /run/munge is read or written, and daemons of a
# system Slurm or munge are left alone: only the processes started here (by
# their PIDs) are ever signalled.
#
# After slurm_cluster_start these are exported:
#   SLURM_CONF                     the cluster's slurm.conf (for the clients)
#   SLURM_CLUSTER_DIR              the folder given to slurm_cluster_start
#   SLURM_CLUSTER_NODE             the node's name (hostname -s)
#   SLURM_CLUSTER_PARTITION        the one partition, "debug"
#   SLURM_CLUSTER_CPUS             the node's CPUs (nproc)
#   SLURM_CLUSTER_MEMORY_MB        the node's RealMemory in MB
#   SLURM_CLUSTER_STARTUP_SECONDS  how long the start took
# SLURM_CLUSTER_EXTRA_CONF, when set before the start, holds further lines
# for slurm.conf (e.g. "JobAcctGatherParams=OverMemoryKill").
#
# There is no slurmdbd: job accounting goes nowhere, so sacct has nothing to
# report. The state of a job is read with `scontrol show job -o ID` instead,
# which keeps finished jobs for MinJobAge seconds.

# Seconds to wait for the node to come up, and for daemons to exit on SIGTERM.
SLURM_CLUSTER_START_TIMEOUT=${SLURM_CLUSTER_START_TIMEOUT:-60}
SLURM_CLUSTER_STOP_TIMEOUT=${SLURM_CLUSTER_STOP_TIMEOUT:-15}

_slurm_cluster_say() { echo "slurm_cluster: $*" >&2; }

# The path of a program, also from the sbin folders a non-login PATH may lack.
_slurm_cluster_bin() {
    local name=$1 dir
    command -v "$name" 2>/dev/null && return 0
    for dir in /usr/sbin /sbin /usr/local/sbin; do
        [ -x "$dir/$name" ] && { echo "$dir/$name"; return 0; }
    done
    return 1
}

# Installs slurm-wlm and munge when one of their programs is missing.
_slurm_cluster_install() {
    local name missing=
    for name in munged munge unmunge slurmctld slurmd sbatch squeue scontrol scancel sinfo; do
        _slurm_cluster_bin "$name" >/dev/null || missing="$missing $name"
    done
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        _slurm_cluster_say "missing$missing, and only root can install slurm-wlm and munge"
        return 1
    fi
    if ! command -v apt-get >/dev/null; then
        _slurm_cluster_say "missing$missing, and there is no apt-get to install slurm-wlm and munge"
        return 1
    fi
    _slurm_cluster_say "installing slurm-wlm and munge (missing$missing)"
    local log
    log=$(mktemp)
    if ! { DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends slurm-wlm munge ||
        { apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends slurm-wlm munge; }; } >"$log" 2>&1; then
        tail -n 20 "$log" >&2
        rm -f "$log"
        _slurm_cluster_say "could not install slurm-wlm and munge"
        return 1
    fi
    rm -f "$log"
}

# Returns 0 when this machine can run the cluster; otherwise prints why and
# returns 1, and the caller skips (exit 77).
slurm_cluster_can_run() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "the test Slurm cluster needs root (slurmd runs jobs as their users, munged and slurmctld run as root here): skipped"
        return 1
    fi
    if [ "$(uname -s)" != Linux ] || [ ! -r /proc/meminfo ]; then
        echo "the test Slurm cluster needs Linux with /proc: skipped"
        return 1
    fi
    if ! _slurm_cluster_install; then
        echo "slurm-wlm and munge are not installed and could not be installed: skipped"
        return 1
    fi
    local name
    for name in hostname nproc timeout; do
        command -v "$name" >/dev/null || { echo "$name is missing: skipped"; return 1; }
    done
    return 0
}

# Process helpers, on /proc alone. A process counts as running when it exists
# and is not a zombie (kill -0 succeeds on zombies).
_slurm_cluster_running() {
    local line rest
    read -r line 2>/dev/null </proc/"$1"/stat || return 1
    rest=${line##*) }
    [ "${rest%% *}" != Z ]
}

# Whether PID belongs to the cluster in DIR: its command line names DIR, or
# one of its open files lies in DIR. This guards against a reused PID.
_slurm_cluster_owns() {
    local pid=$1 dir=$2 fd target
    _slurm_cluster_running "$pid" || return 1
    if tr '\0' ' ' 2>/dev/null </proc/"$pid"/cmdline | grep -qF -- "$dir/"; then
        return 0
    fi
    for fd in /proc/"$pid"/fd/*; do
        target=$(readlink "$fd" 2>/dev/null) || continue
        case $target in "$dir"/*) return 0 ;; esac
    done
    return 1
}

# The PIDs of all descendants of the given PIDs.
_slurm_cluster_descendants() {
    local stat line rest pid ppid
    local -A parent=()
    for stat in /proc/[0-9]*/stat; do
        read -r line 2>/dev/null <"$stat" || continue
        pid=${line%% *}
        rest=${line##*) }
        rest=${rest#* }
        ppid=${rest%% *}
        parent[$pid]=$ppid
    done
    local -A found=()
    local todo=("$@") current
    while [ ${#todo[@]} -gt 0 ]; do
        current=${todo[0]}
        todo=("${todo[@]:1}")
        for pid in "${!parent[@]}"; do
            if [ "${parent[$pid]}" = "$current" ] && [ -z "${found[$pid]:-}" ]; then
                found[$pid]=1
                todo+=("$pid")
            fi
        done
    done
    [ ${#found[@]} -gt 0 ] && printf '%s\n' "${!found[@]}"
    return 0
}

# The slurmstepd processes of the cluster in DIR (they log into DIR's
# slurmd.log and are no children of slurmd once they run), with their jobs'
# processes.
_slurm_cluster_steps() {
    local dir=$1 comm pid steps=()
    for comm in /proc/[0-9]*/comm; do
        read -r pid 2>/dev/null <"$comm" || continue
        [ "$pid" = slurmstepd ] || continue
        pid=${comm#/proc/}
        pid=${pid%/comm}
        _slurm_cluster_owns "$pid" "$dir" && steps+=("$pid")
    done
    [ ${#steps[@]} -eq 0 ] && return 0
    printf '%s\n' "${steps[@]}"
    _slurm_cluster_descendants "${steps[@]}"
}

# Sends SIGTERM to those of the PIDs that are still the cluster's, waits for
# them up to the stop timeout, then SIGKILLs what is left; reaps children.
# CHECK is "owned" for PIDs that must still name DIR (see _slurm_cluster_owns),
# "found" for PIDs just found as steps or their processes, which need only
# still run (a job's process need not name DIR). Those are killed after 2 s:
# slurmstepd does not exit on SIGTERM.
_slurm_cluster_end() {
    local dir=$1 check=$2 pid left deadline grace=$SLURM_CLUSTER_STOP_TIMEOUT
    shift 2
    [ "$check" = found ] && grace=2
    local pids=()
    for pid in "$@"; do
        if [ "$check" = found ]; then
            _slurm_cluster_running "$pid" && pids+=("$pid")
        else
            _slurm_cluster_owns "$pid" "$dir" && pids+=("$pid")
        fi
    done
    if [ ${#pids[@]} -gt 0 ]; then
        kill -TERM "${pids[@]}" 2>/dev/null || true
        deadline=$((SECONDS + grace))
        while :; do
            left=()
            for pid in "${pids[@]}"; do
                _slurm_cluster_running "$pid" && left+=("$pid")
            done
            [ ${#left[@]} -eq 0 ] && break
            if [ $SECONDS -ge $deadline ]; then
                _slurm_cluster_say "killing ${left[*]}, still running ${grace}s after SIGTERM"
                kill -KILL "${left[@]}" 2>/dev/null || true
                sleep 0.2
                break
            fi
            sleep 0.2
        done
    fi
    for pid in "$@"; do
        wait "$pid" 2>/dev/null || true
    done
    return 0
}

# Stops the cluster in DIR from the PIDs recorded in DIR/pids: cancels its
# jobs while slurmctld still runs, then ends slurmd and slurmctld, any step
# left over, and munged. The guard (by name) is not ended here.
_slurm_cluster_shutdown() {
    local dir=$1 name pid
    [ -f "$dir/pids" ] || return 0
    local ctld='' slurmd='' munged=''
    while read -r name pid; do
        case $name in
            slurmctld) ctld=$pid ;;
            slurmd) slurmd=$pid ;;
            munged) munged=$pid ;;
        esac
    done <"$dir/pids"

    if [ -n "$ctld" ] && _slurm_cluster_owns "$ctld" "$dir"; then
        local jobs deadline
        jobs=$(SLURM_CONF=$dir/slurm.conf timeout 15 squeue -h -o %A 2>/dev/null) || jobs=
        if [ -n "$jobs" ]; then
            # shellcheck disable=SC2086
            SLURM_CONF=$dir/slurm.conf timeout 15 scancel $jobs >/dev/null 2>&1 || true
            deadline=$((SECONDS + SLURM_CLUSTER_STOP_TIMEOUT))
            while [ $SECONDS -lt $deadline ]; do
                jobs=$(SLURM_CONF=$dir/slurm.conf timeout 15 squeue -h -o %A 2>/dev/null) || break
                [ -z "$jobs" ] && break
                sleep 0.5
            done
        fi
    fi
    # shellcheck disable=SC2086
    _slurm_cluster_end "$dir" owned $slurmd $ctld
    # Steps outlive slurmd; after the cancel there should be none.
    local steps
    steps=$(_slurm_cluster_steps "$dir")
    # shellcheck disable=SC2086
    [ -n "$steps" ] && _slurm_cluster_end "$dir" found $steps
    # shellcheck disable=SC2086
    _slurm_cluster_end "$dir" owned $munged
    rm -f "$dir/pids"
    return 0
}

slurm_cluster_stop() {
    local dir=${SLURM_CLUSTER_DIR:-}
    [ -n "$dir" ] && [ -f "$dir/pids" ] || return 0
    local name pid guard=
    while read -r name pid; do
        [ "$name" = guard ] && guard=$pid
    done <"$dir/pids"
    # The guard first, so that it does not stop the cluster at the same time.
    [ -n "$guard" ] && _slurm_cluster_end "$dir" owned "$guard"
    _slurm_cluster_shutdown "$dir"
    [ "${SLURM_CONF:-}" = "$dir/slurm.conf" ] && unset SLURM_CONF
    return 0
}

# The last lines of the cluster's logs, for a start that failed.
# A daemon's output holds what its log file holds, and what came before the
# log file was opened.
_slurm_cluster_logs() {
    local dir=$1 name log
    for name in munged slurmctld slurmd; do
        log=$dir/$name.log
        [ -s "$log" ] || log=$dir/$name.out
        [ -s "$log" ] || continue
        echo "--- last lines of $log" >&2
        tail -n 15 "$log" >&2
    done
}

# Ports listened on or in use on this host, from /proc/net/tcp{,6}.
_slurm_cluster_used_ports() {
    local file
    for file in /proc/net/tcp /proc/net/tcp6; do
        [ -r "$file" ] || continue
        while read -r _ local _; do
            case $local in *:*) echo $((16#${local##*:})) ;; esac
        done < <(tail -n +2 "$file")
    done
}

# Two free TCP ports, from a random place in 20000-59999 on.
_slurm_cluster_free_ports() {
    local used port free=() tries=0
    used=" $(_slurm_cluster_used_ports | sort -u | tr '\n' ' ') "
    port=$((20000 + RANDOM % 40000))
    while [ ${#free[@]} -lt 2 ] && [ $tries -lt 2000 ]; do
        tries=$((tries + 1))
        port=$((port >= 59999 ? 20000 : port + 1))
        case $used in *" $port "*) continue ;; esac
        # Something answering there, though /proc did not list it.
        if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then continue; fi
        free+=("$port")
    done
    [ ${#free[@]} -eq 2 ] || return 1
    echo "${free[@]}"
}

_slurm_cluster_write_conf() {
    local dir=$1 node=$2 cpus=$3 memory=$4 ctld_port=$5 slurmd_port=$6
    : >"$dir/plugstack.conf"
    cat >"$dir/slurm.conf" <<EOF
# A one-node cluster for tests, written by slurm_cluster.sh. All its files
# are in this folder. munged runs here too, on the socket named in AuthInfo.
ClusterName=testcluster
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root

AuthType=auth/munge
AuthInfo=socket=$dir/munge.socket
CredType=cred/munge

StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
SlurmctldDebug=info
SlurmdDebug=info
PlugStackConfig=$dir/plugstack.conf
MailProg=/bin/true

# No cgroups: processes are tracked through their parents, tasks are not
# bound, and memory use is sampled from /proc.
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/linux
JobAcctGatherFrequency=task=5

SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
# Without it a job that asks for no memory is given all of the node's.
DefMemPerCPU=$((memory / cpus))
SchedulerType=sched/backfill

# No accounting storage (no slurmdbd), so sacct reports nothing. Finished
# jobs stay visible to scontrol show job for MinJobAge seconds.
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MinJobAge=600

MpiDefault=none
ReturnToService=2
SlurmctldTimeout=30
SlurmdTimeout=300
InactiveLimit=0
KillWait=5
Waittime=0
MessageTimeout=10

NodeName=$node NodeAddr=127.0.0.1 NodeHostname=$node CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=debug Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
    if [ -n "${SLURM_CLUSTER_EXTRA_CONF:-}" ]; then
        printf '\n%s\n' "$SLURM_CLUSTER_EXTRA_CONF" >>"$dir/slurm.conf"
    fi
}

# Records a started process in DIR/pids.
_slurm_cluster_record() { echo "$2 $3" >>"$1/pids"; }

# Waits in the background until the shell that sourced this file is gone,
# then stops the cluster, for when that shell is killed before its traps run.
# Its pause is a read on a FIFO of its own, so it has no child to leave behind.
_slurm_cluster_guard() {
    local dir=$1 owner=$2
    mkfifo "$dir/guard.fifo" || return 1
    (
        trap - EXIT INT TERM HUP
        exec </dev/null >/dev/null 2>&1 3<>"$dir/guard.fifo"
        while kill -0 "$owner" 2>/dev/null; do read -r -t 2 -u 3 _ || true; done
        _slurm_cluster_shutdown "$dir"
    ) &
    _slurm_cluster_record "$dir" guard $!
}

# Fails the start: shows the logs and stops whatever was started.
_slurm_cluster_fail() {
    local dir=$1
    shift
    _slurm_cluster_say "$*"
    _slurm_cluster_logs "$dir"
    slurm_cluster_stop
    return 1
}

slurm_cluster_start() {
    local dir=${1:-}
    if [ -z "$dir" ] || [ ! -d "$dir" ]; then
        _slurm_cluster_say "usage: slurm_cluster_start DIR (an existing, empty folder)"
        return 1
    fi
    if [ -n "${SLURM_CLUSTER_DIR:-}" ] && [ -f "$SLURM_CLUSTER_DIR/pids" ]; then
        _slurm_cluster_say "a cluster already runs in $SLURM_CLUSTER_DIR"
        return 1
    fi
    dir=$(cd "$dir" && pwd -P) || return 1
    if [ -n "$(ls -A "$dir")" ]; then
        _slurm_cluster_say "$dir is not empty"
        return 1
    fi
    local started
    started=$(date +%s%N)
    _slurm_cluster_install || return 1
    local munged slurmctld slurmd bin
    if ! { munged=$(_slurm_cluster_bin munged) && slurmctld=$(_slurm_cluster_bin slurmctld) &&
        slurmd=$(_slurm_cluster_bin slurmd); }; then
        _slurm_cluster_say "munged, slurmctld or slurmd not found"
        return 1
    fi
    for bin in munge unmunge sinfo; do
        _slurm_cluster_bin $bin >/dev/null || { _slurm_cluster_say "$bin not found"; return 1; }
    done

    local node cpus memory ports
    node=$(hostname -s) || node=
    [ -n "$node" ] || { _slurm_cluster_say "no host name"; return 1; }
    cpus=$(nproc) || return 1
    # RealMemory less a margin: slurmd drains a node that has less than this.
    memory=$(awk '/^MemTotal:/ { mb = int($2 / 1024); m = int(mb / 20); if (m < 256) m = 256; print mb - m }' /proc/meminfo)
    if [ -z "$memory" ] || [ "$memory" -lt 256 ]; then
        _slurm_cluster_say "too little memory for a node (${memory:-?} MB)"
        return 1
    fi
    ports=$(_slurm_cluster_free_ports) || { _slurm_cluster_say "no free TCP ports found"; return 1; }

    # munged checks that all can reach its socket's folder, and that the key
    # is its user's alone and not readable by others.
    chmod 0755 "$dir"
    mkdir -m 0700 "$dir/state" "$dir/spool"
    (umask 077 && dd if=/dev/urandom of="$dir/munge.key" bs=1024 count=1 status=none) || return 1
    chown "$(id -u):$(id -g)" "$dir/munge.key"
    chmod 0400 "$dir/munge.key"
    # shellcheck disable=SC2086
    _slurm_cluster_write_conf "$dir" "$node" "$cpus" "$memory" $ports

    export SLURM_CLUSTER_DIR=$dir
    : >"$dir/pids"

    # Each daemon in the foreground of a background job, so that $! is the
    # daemon itself and nothing else is ever signalled. munged wants every
    # folder above its socket open to all (DIR may be inside a private
    # temporary folder); --force lets it start anyway, and only root talks
    # to it here.
    "$munged" --foreground --force --key-file="$dir/munge.key" --socket="$dir/munge.socket" \
        --pid-file="$dir/munged.pid" --log-file="$dir/munged.log" --seed-file="$dir/munged.seed" \
        </dev/null >"$dir/munged.log" 2>&1 &
    _slurm_cluster_record "$dir" munged $!
    _slurm_cluster_guard "$dir" $$ || { _slurm_cluster_fail "$dir" "could not start the guard"; return 1; }

    local deadline=$((SECONDS + 10))
    until munge -n -S "$dir/munge.socket" 2>/dev/null | unmunge -S "$dir/munge.socket" >/dev/null 2>&1; do
        if ! _slurm_cluster_running "$(awk '$1 == "munged" { print $2 }' "$dir/pids")"; then
            _slurm_cluster_fail "$dir" "munged exited during the start"
            return 1
        fi
        if [ $SECONDS -ge $deadline ]; then
            _slurm_cluster_fail "$dir" "munged did not answer on $dir/munge.socket"
            return 1
        fi
        sleep 0.1
    done

    "$slurmctld" -D -f "$dir/slurm.conf" </dev/null >"$dir/slurmctld.out" 2>&1 &
    _slurm_cluster_record "$dir" slurmctld $!
    "$slurmd" -D -f "$dir/slurm.conf" -N "$node" </dev/null >"$dir/slurmd.out" 2>&1 &
    _slurm_cluster_record "$dir" slurmd $!

    export SLURM_CONF=$dir/slurm.conf
    local state name pid
    deadline=$((SECONDS + SLURM_CLUSTER_START_TIMEOUT))
    while :; do
        state=$(timeout 10 sinfo -h -n "$node" -o %T 2>/dev/null) || state=
        [ "$state" = idle ] && break
        while read -r name pid; do
            [ "$name" = guard ] && continue
            if ! _slurm_cluster_running "$pid"; then
                _slurm_cluster_fail "$dir" "$name exited during the start"
                return 1
            fi
        done <"$dir/pids"
        case $state in
            drain* | down* | fail* | inval*)
                _slurm_cluster_fail "$dir" "node $node is $state: $(timeout 10 sinfo -h -n "$node" -o %E 2>/dev/null)"
                return 1
                ;;
        esac
        if [ $SECONDS -ge $deadline ]; then
            _slurm_cluster_fail "$dir" "node $node not idle after ${SLURM_CLUSTER_START_TIMEOUT}s (state: ${state:-no answer})"
            return 1
        fi
        sleep 0.25
    done

    export SLURM_CLUSTER_NODE=$node SLURM_CLUSTER_PARTITION=debug SLURM_CLUSTER_CPUS=$cpus
    export SLURM_CLUSTER_MEMORY_MB=$memory
    local tenths=$((($(date +%s%N) - started) / 100000000))
    export SLURM_CLUSTER_STARTUP_SECONDS=$((tenths / 10)).$((tenths % 10))
    return 0
}
