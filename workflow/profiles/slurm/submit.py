#!/usr/bin/env python3
"""Submits one Snakemake job script to Slurm and prints its job id.

Snakemake calls it with the job script as its last argument. The job's
threads, memory (mem_mb) and run time (runtime, minutes) become the job's
--cpus-per-task, --mem and --time; resources slurm_partition, slurm_account
and slurm_qos, where given, its --partition, --account and --qos. The
cluster's log of the job goes to <results>/logs/slurm/<rule>_<sample>_<id>.out
(<results> from the workflow, the sample "all" for a job of no sample; a
group of one sample's jobs is named after the group)."""
import json
import os
import re
import subprocess
import sys


def job_properties(jobscript):
    """The properties Snakemake writes into the job script's head."""
    with open(jobscript, encoding="utf-8") as f:
        for line in f:
            if line.startswith("# properties = "):
                return json.loads(line[len("# properties = "):])
    raise SystemExit(f"submit.py: {jobscript} holds no job properties")


def sample_of(properties, results):
    """The sample a job (or group of jobs) works on: its sample wildcard, or
    the sample its outputs belong to (results/reads/<sample>.txt,
    results/<function>/<sample>/<task>/...)."""
    sample = (properties.get("wildcards") or {}).get("sample")
    if sample:
        return sample
    for path in properties.get("output") or []:
        parts = os.path.relpath(os.path.abspath(path), results).split(os.sep)
        if len(parts) == 2 and parts[0] == "reads":
            return re.sub(r"\.(txt|bin)$", "", parts[1])
        if len(parts) >= 3 and parts[0] not in ("genome", "logs", "params", ".."):
            return parts[1]
    return "all"


def main(argv):
    jobscript = argv[-1]
    properties = job_properties(jobscript)
    name = properties.get("rule") if properties.get("type") == "single" else properties.get("groupid", "group")
    results = os.environ.get("RUZ_WORKFLOW_RESULTS", os.path.abspath("results"))
    sample = sample_of(properties, results)
    resources = properties.get("resources") or {}
    log_dir = os.path.join(results, "logs", "slurm")
    os.makedirs(log_dir, exist_ok=True)
    command = ["sbatch", "--parsable", f"--job-name=ruz.{name}.{sample}",
               f"--output={os.path.join(log_dir, f'{name}_{sample}_%j.out')}",
               f"--cpus-per-task={int(properties.get('threads') or 1)}"]
    if "mem_mb" in resources:
        command.append(f"--mem={int(resources['mem_mb'])}")
    if "runtime" in resources:
        command.append(f"--time={int(resources['runtime'])}")
    for resource, option in (("slurm_partition", "--partition"), ("slurm_account", "--account"),
                             ("slurm_qos", "--qos")):
        if resources.get(resource):
            command.append(f"{option}={resources[resource]}")
    command.append(jobscript)
    submitted = subprocess.run(command, capture_output=True, text=True)
    if submitted.returncode != 0:
        sys.stderr.write(submitted.stderr)
        return submitted.returncode
    # --parsable prints "id" or "id;cluster".
    print(submitted.stdout.strip().split(";")[0])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
