#!/usr/bin/env python3
"""Tells Snakemake how a Slurm job stands: prints running, success or failed.

Snakemake calls it with the job id submit.py printed. The state comes from
`scontrol show job` while the controller knows the job, else from `sacct`
where the cluster keeps accounts. A job cancelled, out of time or memory,
failed, or lost with its node is failed; Snakemake then submits it again
(restart-times) or reports it. A job neither knows is taken as ended:
Snakemake then checks its outputs, and a job without them fails there."""
import subprocess
import sys

RUNNING = {"PENDING", "CONFIGURING", "RUNNING", "COMPLETING", "SUSPENDED", "REQUEUED", "REQUEUE_HOLD",
           "REQUEUE_FED", "RESIZING", "SIGNALING", "STAGE_OUT", "STOPPED", "RESV_DEL_HOLD"}
FAILED = {"BOOT_FAIL", "CANCELLED", "DEADLINE", "FAILED", "NODE_FAIL", "OUT_OF_MEMORY", "PREEMPTED",
          "REVOKED", "SPECIAL_EXIT", "TIMEOUT"}


def verdict(state):
    state = state.split()[0].rstrip("+") if state else ""
    if state == "COMPLETED":
        return "success"
    if state in FAILED:
        return "failed"
    if state in RUNNING:
        return "running"
    return None


def from_scontrol(job):
    """The job's state, "" when the controller does not know the job, None
    when the controller cannot be asked."""
    try:
        answer = subprocess.run(["scontrol", "show", "job", "-o", job], capture_output=True, text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return None
    if answer.returncode != 0:
        return "" if "Invalid job id" in answer.stderr else None
    for field in answer.stdout.split():
        if field.startswith("JobState="):
            return field[len("JobState="):]
    return ""


def from_sacct(job):
    try:
        answer = subprocess.run(["sacct", "-n", "-X", "-P", "-j", job, "-o", "State"], capture_output=True,
                                text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired):
        return ""
    return answer.stdout.strip().splitlines()[0] if answer.returncode == 0 and answer.stdout.strip() else ""


def main(argv):
    job = argv[1].split(";")[0]
    state = from_scontrol(job)
    if state is None:
        # The controller does not answer now: ask again at the next check.
        print("running")
        return 0
    print(verdict(state) or verdict(from_sacct(job)) or ("running" if state else "success"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
