#!/usr/bin/env bash
# The workflow on a real one-node Slurm cluster started here (and stopped
# here, also on failure): the bundled example through the Slurm profile
# gives the files of a local run; a job cancelled with scancel is submitted
# again and the workflow ends; a run killed during an analysis is completed
# by --rerun-incomplete; a changed setting reruns exactly the jobs it
# changes; a malformed sample fails alone and the workflow names it with
# its log.
#
# usage: slurm_test.sh ENGINE SOURCE_DIR     (exit 77: the machine cannot run Slurm)
set -euo pipefail
engine=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$(cd "$2" && pwd)
. "$source_dir/tests/workflow/slurm_cluster.sh"
command -v snakemake >/dev/null || { echo "snakemake is not installed: skipped"; exit 77; }
slurm_cluster_can_run || exit 77

work=$(mktemp -d)
finish() {
    local status=$?
    [ -n "${snakemake_pid:-}" ] && kill -9 -- "-$snakemake_pid" 2>/dev/null || true
    scancel --user="$(id -un)" 2>/dev/null || true
    slurm_cluster_stop
    if [ "$status" = 0 ]; then rm -rf "$work"; else echo "outputs kept in $work" >&2; fi
}
trap finish EXIT
started=$SECONDS
mkdir "$work/cluster"
slurm_cluster_start "$work/cluster"
echo "cluster up in $((SECONDS - started)) s"
cd "$work"
example=$source_dir/examples/fastq

fail() { echo "FAILED: $*" >&2; exit 1; }

# A stand-in for the engine that, for RandExt, waits while the file `hold`
# exists before it runs the engine (so that an analysis can be caught while
# it runs); everything else (the preparations, --version and --list, which
# the workflow asks at load) goes to the engine at once.
cat >slow-engine <<EOF
#!/bin/sh
for last; do :; done
if [ "\$last" = RandExt ]; then
    n=0
    while [ -e "$work/hold" ] && [ \$n -lt 600 ]; do sleep 0.2; n=\$((n + 1)); done
fi
exec "$engine" "\$@"
EOF
chmod +x slow-engine

write_config() {  # $1 file, $2 engine, $3 analysis block, further args: sample lines
    local file=$1 use_engine=$2 analysis=$3
    shift 3
    {
        echo "engine: $use_engine"
        echo "params_dir: $source_dir/params"
        echo "results: results"
        echo "threads: 1"
        echo "genome:"
        echo "  fasta: $example/lambda_virus.fa.gz"
        echo "samples:"
        for line in "$@"; do echo "  $line"; done
        echo "prep_reads: {readsWithN: drop}"
        echo "$analysis"
    } >"$file"
}
workflow() {  # $1 profile, $2 config, further args to snakemake
    local profile=$1 config=$2
    shift 2
    snakemake -s "$source_dir/workflow/Snakefile" --profile "$source_dir/workflow/profiles/$profile" \
        --configfile "$config" --latency-wait 10 "$@"
}
# Every file below results but the cluster's own logs and the jobs' console
# texts (which name the run's folder), with its checksum.
inventory() {
    (cd results && find . -type f ! -path './logs/*' -print0 | sort -z | xargs -0 sha256sum)
}

randext='analysis: {function: RandExt, params: {experimentId: blank, immutSz: 30, mutTipSz: 16, misNu: 0}}'
samples=("s1: $example/sample_1.fq.gz" "s2: $example/sample_2.fq.gz" "s3: $example/sample_3.fq.gz")

echo "== the bundled example: local, then through Slurm"
write_config example.yaml "$engine" "$randext" "${samples[@]}"
workflow local example.yaml >local.out 2>&1 || { cat local.out; fail "the local run failed"; }
inventory >local.files
rm -rf results .snakemake
started=$SECONDS
workflow slurm example.yaml >slurm.out 2>&1 || { cat slurm.out; fail "the Slurm run failed"; }
echo "Slurm run in $((SECONDS - started)) s"
inventory >slurm.files
diff local.files slurm.files || fail "the Slurm run's files differ from the local run's"
[ "$(wc -l <slurm.files)" -ge 13 ] || fail "too few files: $(cat slurm.files)"
for sample in s1 s2 s3; do
    ls "results/logs/slurm/sample_${sample}_"*.out >/dev/null 2>&1 || fail "no cluster log of sample $sample"
done
ls results/logs/slurm/genome_all_*.out >/dev/null || fail "no cluster log of the genome's job"
[ "$(grep -c 'Submitted group job' slurm.out)" = 3 ] || fail "the samples' jobs were not one group each"
# The jobs asked Slurm for what their rules declare: the genome's 256 MB
# and 20 minutes; a sample's group (its preparation and its analysis) the
# larger memory, 1000 MB, and the sum of the times, 80 minutes; one CPU as
# the config's threads say.
jobs=$(scontrol show job -o)
job_has() {  # $1 job name, further args: fields the job must show
    local line
    line=$(grep "JobName=$1 " <<<"$jobs" | head -n 1)
    [ -n "$line" ] || fail "no job $1 known to Slurm"
    shift
    for field; do grep -q " $field " <<<" $line " || fail "job $line lacks $field"; done
}
job_has ruz.genome.all TimeLimit=00:20:00 MinMemoryNode=256M NumCPUs=1
job_has ruz.sample.s2 TimeLimit=01:20:00 MinMemoryNode=1000M NumCPUs=1

echo "== a job cancelled while it runs is submitted again"
rm -rf results .snakemake
write_config cancel.yaml "$work/slow-engine" "$randext" "${samples[0]}"
touch hold
setsid snakemake -s "$source_dir/workflow/Snakefile" --profile "$source_dir/workflow/profiles/slurm" \
    --configfile cancel.yaml --latency-wait 10 >cancel.out 2>&1 &
snakemake_pid=$!
job=""
for _ in $(seq 600); do
    job=$(squeue -h -t RUNNING -n ruz.sample.s1 -o %i | head -n 1)
    [ -n "$job" ] && break
    sleep 0.2
done
[ -n "$job" ] || { cat cancel.out; fail "the sample's job never ran"; }
sleep 1
scancel "$job"
sleep 2
rm -f hold
status=0
timeout 300 tail --pid="$snakemake_pid" -f /dev/null || fail "the workflow did not end after the cancel"
wait "$snakemake_pid" || status=$?
snakemake_pid=""
grep -q "Trying to restart job" cancel.out || { cat cancel.out; fail "the cancelled job was not submitted again"; }
[ "$status" = 0 ] || { cat cancel.out; fail "the workflow failed after the resubmission"; }
[ -f 'results/RandExt/s1/run/RnaCut_s1_30!16!0!.txt' ] || fail "no report after the resubmission"

echo "== a run killed during an analysis is completed by --rerun-incomplete"
rm -rf results .snakemake
touch hold
setsid snakemake -s "$source_dir/workflow/Snakefile" --profile "$source_dir/workflow/profiles/local" \
    --configfile cancel.yaml >killed.out 2>&1 &
snakemake_pid=$!
for _ in $(seq 600); do
    grep -q "rule analysis:" killed.out && break
    sleep 0.2
done
sleep 1
kill -9 -- "-$snakemake_pid"
wait "$snakemake_pid" 2>/dev/null || true
snakemake_pid=""
rm -f hold
[ ! -e 'results/RandExt/s1/run/RnaCut_s1_30!16!0!.txt' ] || fail "the report exists although the job was killed"
# A killed Snakemake leaves its lock: the documented recovery is --unlock.
workflow local cancel.yaml --unlock >unlock.out 2>&1 || { cat unlock.out; fail "--unlock failed"; }
workflow local cancel.yaml --rerun-incomplete >rerun.out 2>&1 || { cat rerun.out; fail "the rerun failed"; }
[ -f 'results/RandExt/s1/run/RnaCut_s1_30!16!0!.txt' ] || { cat rerun.out; fail "the rerun wrote no report"; }
grep -q "rule analysis:" rerun.out || fail "the rerun did not run the analysis"

echo "== a changed setting reruns exactly the jobs it changes"
rm -rf results .snakemake
# fIdentifyCircularRna: its report's name does not hold the sizes, so only
# the job's settings can tell that it must run again.
tasks='analysis: {function: fIdentifyCircularRna, params: {rMinSz: 20},
          tasks: [{name: a, rMaxSz: 100}, {name: b, rMaxSz: 200}]}'
write_config tasks.yaml "$engine" "$tasks" "${samples[0]}" "${samples[1]}"
workflow local tasks.yaml >tasks.out 2>&1 || { cat tasks.out; fail "the tasks' run failed"; }
workflow local tasks.yaml -n >again.out 2>&1
grep -q "Nothing to be done" again.out || { cat again.out; fail "an unchanged config reruns jobs"; }
# Task b's rMaxSz changes: b's two analyses run again, nothing else. Then
# the reads' shortest length: both preparations and the four analyses of
# their reads.
sed 's/name: b, rMaxSz: 200/name: b, rMaxSz: 300/' tasks.yaml >changed.yaml
workflow local changed.yaml -n >changed.out 2>&1
# The count of a rule's jobs in the first job table of a dry run.
jobs_of() { awk -v rule="$1" '$1 == rule { print $2; exit }' "$2"; }
[ "$(jobs_of analysis changed.out)" = 2 ] || { cat changed.out; fail "task b's change does not rerun its two jobs"; }
[ -z "$(jobs_of reads changed.out)" ] && [ -z "$(jobs_of genome changed.out)" ] ||
    fail "task b's change reruns the preparations"
workflow local changed.yaml >changed-run.out 2>&1 || fail "the changed run failed"
grep -q "reads size scope by user=\[20,300\]" results/fIdentifyCircularRna/s1/b/s1_RCircular.txt ||
    fail "the report of task b is not the new setting's"
grep -q "reads size scope by user=\[20,100\]" results/fIdentifyCircularRna/s1/a/s1_RCircular.txt ||
    fail "the report of task a changed"
sed 's/readsWithN: drop}/readsWithN: drop, rMinSz: 41}/' changed.yaml >prep.yaml
workflow local prep.yaml -n >prep.out 2>&1
[ "$(jobs_of reads prep.out)" = 2 ] && [ "$(jobs_of analysis prep.out)" = 4 ] && [ -z "$(jobs_of genome prep.out)" ] ||
    { cat prep.out; fail "a preparation's change does not rerun exactly the preparations and their analyses"; }

echo "== a malformed sample fails alone, named with its log"
rm -rf results .snakemake
printf '@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nII\n' | gzip >bad.fq.gz
write_config bad.yaml "$engine" "$randext" "${samples[0]}" "bad: $work/bad.fq.gz" "${samples[1]}"
if workflow slurm bad.yaml >bad.out 2>&1; then fail "the workflow ran over a malformed sample"; fi
for sample in s1 s2; do
    [ -f "results/RandExt/$sample/run/RnaCut_${sample}_30!16!0!.txt" ] || { cat bad.out; fail "no report of $sample"; }
done
grep -q "bad: see results/logs/reads/bad_txt.log" bad.out || { cat bad.out; fail "the summary does not name the sample"; }
grep -q "record 2 (r2): the quality's length differs" results/logs/reads/bad_txt.log ||
    fail "the preparation's log does not name the record"
echo "Slurm test passed"
