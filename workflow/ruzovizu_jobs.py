"""Parameter files and jobs of the Ruzovizu workflow.

A parameter file is the function's template from the Params folder (records
of four lines: comment, type, name, value) with the values this job needs put
in by name. Nothing here runs the engine; the Snakefile does.
"""

import os
import re
import subprocess

# The forms of reads (Ruzovizu --list) of the preparation functions, which
# the workflow runs by itself.
PREP_FORMS = {"sequences", "none"}

# Inputs that fPrepReads turns into reads files; anything else is taken as a
# prepared letter (.txt) or coded (.bin) reads file.
SEQUENCE_SUFFIXES = (".fq", ".fastq", ".fa", ".fasta", ".fna", ".fas")


class WorkflowError(Exception):
    pass


def engine_functions(engine):
    """{function: the form of the reads it reads} as the engine lists its
    functions (Ruzovizu --list): letters, codes, sequences or none."""
    try:
        listed = subprocess.run([engine, "--list"], stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise WorkflowError(f"the engine {engine} does not list its functions: {e}") from None
    return {fields[0]: fields[1] for fields in (line.split("\t") for line in listed.splitlines()) if len(fields) > 1}


def reads_a_list(template):
    """True when the function reads a list of reads files (a pthList
    record): one job then rates all samples."""
    return any(record[2] == "pthList" for record in read_template(template))


def read_template(path):
    """The records of a parameter file as [comment, type, name, value] lists."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            lines = f.read().split("\n")
    except OSError as e:
        raise WorkflowError(f"cannot read the template {path}: {e.strerror}") from None
    if lines and lines[-1] == "":
        lines.pop()
    lines = [line[:-1] if line.endswith("\r") else line for line in lines]
    if not lines or lines[0] == "external" or len(lines) % 4:
        raise WorkflowError(f"{path} is not a parameter file of four-line records")
    return [lines[i:i + 4] for i in range(0, len(lines), 4)]


def write_parameter_file(template, values, target):
    """Writes the template with `values` (name -> value) put in. A name the
    template lacks is refused, so a misspelt setting never goes unnoticed."""
    records = read_template(template)
    names = {r[2] for r in records}
    unknown = sorted(set(values) - names)
    if unknown:
        raise WorkflowError(f"{template} has no parameter named {', '.join(unknown)}")
    for r in records:
        if r[2] in values:
            value = str(values[r[2]])
            if "\n" in value or "\r" in value:
                raise WorkflowError(f"the value of {r[2]} holds a line break")
            r[3] = value
    os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        for r in records:
            f.write("\n".join(r) + "\n")


def is_sequence_file(path):
    """True for FASTQ/FASTA files, plain or gzip, that need fPrepReads."""
    name = path.lower()
    if name.endswith(".gz"):
        return True
    return name.endswith(SEQUENCE_SUFFIXES)


def read_task_list(path):
    """The tasks of a task list in RandExtTaskList's layout: lines 1 to 6 free
    text, line 7 the experiment identifier, line 8 a heading, then one task a
    line, immutSz TAB mutTipSz TAB misNu. Each task becomes one RandExt job,
    named immutSz-mutTipSz-misNu."""
    with open(path, encoding="utf-8", newline="") as f:
        lines = [line.rstrip("\r") for line in f.read().split("\n")]
    if len(lines) < 8:
        raise WorkflowError(f"{path}: a task list has its experiment on line 7 and tasks after line 8")
    experiment = lines[6]
    tasks = {}
    for number, line in enumerate(lines[8:], start=9):
        if not line:
            continue
        fields = line.split("\t")
        if len(fields) != 3 or not all(re.fullmatch(r"-?\d+", x.strip()) for x in fields):
            raise WorkflowError(f"{path}, line {number}: bad task line: {line}")
        immut, tip, mis = (x.strip() for x in fields)
        tasks[f"{immut}-{tip}-{mis}"] = {"experimentId": experiment, "immutSz": immut,
                                        "mutTipSz": tip, "misNu": mis}
    if not tasks:
        raise WorkflowError(f"{path} holds no task")
    return tasks


def analysis_tasks(analysis, functions, base_dir="."):
    """(function each job runs, {task name: parameter values}) from the
    config's analysis section; `functions` as engine_functions gives them.
    Without tasks there is one task, "run"."""
    function = analysis.get("function")
    if not function:
        raise WorkflowError("the config names no analysis function (analysis: function:)")
    if function not in functions:
        raise WorkflowError(f"the engine has no function {function} (Ruzovizu --list names them)")
    if functions[function] in PREP_FORMS:
        raise WorkflowError(f"{function} is a preparation the workflow runs by itself")
    params = {k: str(v) for k, v in (analysis.get("params") or {}).items()}
    if analysis.get("task_list"):
        if function not in ("RandExt", "RandExtTaskList"):
            raise WorkflowError("a task list splits into RandExt jobs: set function to RandExt")
        task_list = os.path.join(base_dir, analysis["task_list"])
        return "RandExt", {name: {**params, **task} for name, task in read_task_list(task_list).items()}
    tasks = analysis.get("tasks")
    if not tasks:
        return function, {"run": params}
    named = {}
    for number, task in enumerate(tasks, start=1):
        task = {k: str(v) for k, v in task.items()}
        name = task.pop("name", f"t{number}")
        if not re.fullmatch(r"[A-Za-z0-9_.-]+", name) or name in named:
            raise WorkflowError(f"task {number}: the name {name!r} is not a unique plain name")
        named[name] = {**params, **task}
    return function, named
