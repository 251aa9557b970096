#!/usr/bin/env bash
# The Snakemake workflow on the bundled example with two samples, through its
# local profile: the genome and the reads are prepared by their own rules,
# RandExt runs once per sample (and once per task of a task list), a second
# run has nothing to do, and a sample with a malformed FASTQ fails its job
# and leaves no reads file. Then one sample through the cluster profile. The expected files are derived here from the
# inputs by other tools (zcat, awk), not by the engine.
#
# usage: workflow_test.sh ENGINE SOURCE_DIR      (exit 77: snakemake missing)
set -euo pipefail
engine=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$(cd "$2" && pwd)
command -v snakemake >/dev/null || { echo "snakemake is not installed: skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
example=$source_dir/examples/fastq

fail() { echo "FAILED: $*" >&2; exit 1; }
same() { cmp -s "$1" "$2" || { diff <(head -c 300 "$1") <(head -c 300 "$2") >&2 || true; fail "$1 differs from $2"; }; }

write_config() {  # $1 file, $2 analysis block, further args: sample lines
    local file=$1 analysis=$2
    shift 2
    {
        echo "engine: $engine"
        echo "params_dir: $source_dir/params"
        echo "results: results"
        echo "genome:"
        echo "  fasta: $example/lambda_virus.fa.gz"
        echo "samples:"
        for line in "$@"; do echo "  $line"; done
        echo "prep_reads: {readsWithN: drop}"
        echo "$analysis"
    } >"$file"
}
run_workflow() {  # $1 config file; further args go to snakemake
    local config=$1
    shift
    snakemake -s "$source_dir/workflow/Snakefile" --profile "$source_dir/workflow/profiles/local" \
        --configfile "$config" --quiet "$@" >"$work/snakemake.out" 2>&1
}

randext='analysis: {function: RandExt, params: {experimentId: blank, immutSz: 30, mutTipSz: 16, misNu: 0}}'
write_config config.yaml "$randext" "s1: $example/sample_1.fq.gz" "s2: $example/sample_2.fq.gz"
run_workflow config.yaml || { cat snakemake.out; fail "the workflow did not run to its end"; }

# The genome: the FASTA's sequence lines joined, in capitals.
zcat "$example/lambda_virus.fa.gz" | grep -v '^>' | tr -d '\r\n' | tr acgt ACGT >expected_genome
same results/genome/genome.txt expected_genome

for sample in 1 2; do
    fastq=$example/sample_$sample.fq.gz
    # The reads without N (any symbol other than A, C, G, T), in capitals;
    # the example's reads are all between 1 and 5119 bases long.
    zcat "$fastq" | awk 'NR % 4 == 2 && toupper($0) !~ /[^ACGT]/ { print toupper($0) }' >expected_reads
    same "results/reads/s$sample.txt" expected_reads
    input=$(zcat "$fastq" | awk 'END { print NR / 4 }')
    with_n=$(zcat "$fastq" | awk 'NR % 4 == 2 && toupper($0) ~ /[^ACGT]/' | wc -l)
    written=$(wc -l <expected_reads)
    printf 'input=%s\nwritten=%s\ntoo short=0\ntoo long=0\nwith N=%s (dropped)' \
        "$input" "$written" "$with_n" >expected_counts
    tail -n 5 "results/reads/s${sample}_PrepLog.txt" >counts
    same counts expected_counts

    # RandExt read the prepared files: its log counts the written reads.
    log="results/RandExt/s$sample/run/RnaCut_s${sample}_30!16!0!Log.txt"
    [ -f "$log" ] || fail "no RandExt log $log"
    grep -q "^reads=$work/results/reads/s$sample.txt$" "$log" || fail "$log names other reads"
    grep -q "^input=$written;" "$log" || fail "$log does not count $written reads"
    grep -q "^pthReads$" "results/params/RandExt/s$sample/run.txt" || fail "no parameter file"
done

# Everything is up to date: a second run has nothing to do.
run_workflow config.yaml --dry-run || fail "the dry run failed"
grep -q "Nothing to be done" snakemake.out || { cat snakemake.out; fail "a second run would redo jobs"; }

# A task list in RandExtTaskList's layout: one RandExt job per task line.
{ printf 'line %s\n' 1 2 3 4 5 6; printf 'exp.A\nimmutSz\tmutTipSz\tmisNu\n30\t16\t0\n\n28\t16\t0\n'; } >tasks.txt
write_config tasks.yaml "analysis: {function: RandExtTaskList, task_list: $work/tasks.txt}" \
    "s1: $example/sample_1.fq.gz" "s2: $example/sample_2.fq.gz"
run_workflow tasks.yaml || { cat snakemake.out; fail "the task list did not run to its end"; }
for sample in 1 2; do
    for task in 30-16-0 28-16-0; do
        sizes=${task//-/!}
        [ -f "results/RandExt/s$sample/$task/exp_A_$sizes!Log.txt" ] || fail "no result of task $task for s$sample"
    done
done

# A malformed sample: its preparation fails, names the record, and leaves no
# reads file; the other sample's job still runs (--keep-going).
printf '@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nII\n' | gzip >bad.fq.gz
write_config bad.yaml "$randext" "s1: $example/sample_1.fq.gz" "bad: $work/bad.fq.gz"
if run_workflow bad.yaml --keep-going; then fail "the workflow ran over a malformed sample"; fi
[ ! -e results/reads/bad.txt ] || fail "a reads file of the malformed sample remains"
grep -q "bad.fq.gz, record 2 (r2): the quality's length differs" results/logs/reads/bad_txt.log ||
    fail "the preparation's log does not name the record"
# The cluster profile, unchanged, with a stand-in sbatch that runs each job
# script at once and answers with a job id, and a stand-in scontrol that
# reports every job completed. (tests/workflow/slurm_test.sh runs the
# profile against a real Slurm.)
mkdir -p fakebin
cat >fakebin/sbatch <<'EOF_SBATCH'
#!/bin/sh
for script; do :; done
echo "$*" >>"$FAKE_SBATCH_LOG"
bash "$script" >/dev/null 2>&1
echo 4242
EOF_SBATCH
printf '#!/bin/sh\nexit 0\n' >fakebin/scancel
printf '#!/bin/sh\necho "JobId=4242 JobState=COMPLETED Reason=None"\n' >fakebin/scontrol
chmod +x fakebin/sbatch fakebin/scancel fakebin/scontrol
sed 's/^results: results$/results: cluster/' config.yaml | grep -v '^  s2:' >cluster.yaml
FAKE_SBATCH_LOG=$work/submitted PATH=$work/fakebin:$PATH \
    snakemake -s "$source_dir/workflow/Snakefile" --profile "$source_dir/workflow/profiles/slurm" \
    --configfile cluster.yaml --latency-wait 5 --quiet >snakemake.out 2>&1 ||
    { cat snakemake.out; fail "the workflow did not run through the cluster profile"; }
# The genome, then the sample's preparation and analysis as one job, each
# with its threads, memory, time and a log under the results folder.
[ "$(wc -l <submitted)" = 2 ] || { cat submitted; fail "not two jobs submitted (genome; reads and RandExt)"; }
grep -q -- "--job-name=ruz.genome.all --output=$work/cluster/logs/slurm/genome_all_%j.out --cpus-per-task=2 --mem=256 --time=20" submitted ||
    { cat submitted; fail "the genome's job is not submitted with its resources"; }
grep -q -- "--job-name=ruz.sample.s1 --output=$work/cluster/logs/slurm/sample_s1_%j.out --cpus-per-task=2" submitted ||
    { cat submitted; fail "the sample's job is not one group named after it"; }
same cluster/reads/s1.txt results/reads/s1.txt
[ -f 'cluster/RandExt/s1/run/RnaCut_s1_30!16!0!Log.txt' ] || fail "no RandExt result through the cluster"
echo "workflow test passed"
