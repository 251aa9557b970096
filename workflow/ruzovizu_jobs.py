"""Parameter files and jobs of the Ruzovizu workflow.

A parameter file is the function's template from the Params folder (records
of four lines: comment, type, name, value) with the values this job needs put
in by name. Nothing here runs the engine; the Snakefile does.
"""

import json
import os
import re
import subprocess
import sys

# The forms of reads (Ruzovizu --list) of the preparation functions, which
# the workflow runs by itself.
PREP_FORMS = {"sequences", "none"}

# Inputs that fPrepReads turns into reads files; anything else is taken as a
# prepared letter (.txt) or coded (.bin) reads file.
SEQUENCE_SUFFIXES = (".fq", ".fastq", ".fa", ".fasta", ".fna", ".fas")


class WorkflowError(Exception):
    pass


def check_engine(engine):
    """The engine's version line; refuses, in one message, an engine that
    is missing, not executable or does not answer --version."""
    if not os.path.isfile(engine):
        raise WorkflowError(f"the engine {engine} does not exist: set engine: in the config")
    if not os.access(engine, os.X_OK):
        raise WorkflowError(f"the engine {engine} is not executable")
    try:
        answer = subprocess.run([engine, "--version"], stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as e:
        raise WorkflowError(f"the engine {engine} does not start: {e}") from None
    version = answer.stdout.strip()
    if answer.returncode != 0 or not version.startswith("Ruzovizu"):
        raise WorkflowError(f"{engine} does not answer --version as the engine does: {version or answer.stderr.strip()}")
    return version


def engine_listing(engine):
    """{function: (the form of the reads it reads, [its result files])} as
    the engine lists its functions (Ruzovizu --list); the forms are
    letters, codes, sequences or none, the result files patterns such as
    {diRes}/{pthReads:base}_RCircular.txt, the main result first."""
    try:
        listed = subprocess.run([engine, "--list"], stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise WorkflowError(f"the engine {engine} does not list its functions: {e}") from None
    functions = {}
    for fields in (line.split("\t") for line in listed.splitlines()):
        if len(fields) > 1:
            functions[fields[0]] = (fields[1], fields[2].split(" ") if len(fields) > 2 and fields[2] else [])
    return functions


def engine_functions(engine):
    """{function: the form of the reads it reads} (see engine_listing)."""
    return {name: form for name, (form, _) in engine_listing(engine).items()}


# Result files that only some runs write: numbered reports and tracks.
_OPTIONAL_RESULT = re.compile(r"\{1\.\.\}|\.(bed|bedGraph|bw|fa)$")


def shell_quote(text):
    """`text` as one word of a POSIX shell command."""
    return "'" + str(text).replace("'", "'\\''") + "'"


def base_name(path):
    """The engine's base name of a path: its extension cut at the whole
    path's last '.', then the part after the last separator."""
    dot = path.rfind(".")
    if dot >= 0:
        path = path[:dot]
    path = path.rstrip("/")
    return path[path.rfind("/") + 1:]


def expand_result(pattern, values):
    """A result file pattern of engine_listing with the job's parameter
    values (every record of its parameter file) put in."""
    def value(match):
        name, _, form = match.group(1).partition(":")
        text = str(values.get(name, ""))
        if name == "experimentId":
            return "RnaCut_" + base_name(str(values["pthReads"])) if text in ("blank", "") else text.replace(".", "_")
        if form == "base":
            return base_name(text)
        if form == "noext":
            dot = text.rfind(".")
            return text[:dot] if dot > text.rfind("/") else text
        if form:
            raise WorkflowError(f"cannot name the result {pattern}: {{{match.group(1)}}}")
        return text
    return re.sub(r"\{([A-Za-z]+(?::[a-z 0-9]+)?)\}", value, pattern)


def committed_result(patterns, values):
    """The result a job of the function always writes in its result folder,
    last of its set: the first listed file under {diRes} that is neither a
    numbered report nor a track. The engine moves its set into place at
    once, so a job that has this file has them all, and one that was
    interrupted has none."""
    for pattern in patterns:
        if pattern.startswith("{diRes}/") and not _OPTIONAL_RESULT.search(pattern):
            return expand_result(pattern, values)
    raise WorkflowError(f"no result to wait for among {' '.join(patterns)}")


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


def job_values(template, values):
    """Every record of the job's parameter file: the template's values with
    `values` put in."""
    merged = {r[2]: r[3] for r in read_template(template)}
    merged.update({k: str(v) for k, v in values.items()})
    return merged


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


def main(argv):
    """Run by each job before the engine: `ruzovizu_jobs.py write-params
    TEMPLATE VALUES_JSON TARGET` writes the job's parameter file."""
    if len(argv) == 5 and argv[1] == "write-params":
        try:
            write_parameter_file(argv[2], json.loads(argv[3]), argv[4])
        except (WorkflowError, OSError, ValueError) as e:
            print(f"write-params: {e}", file=sys.stderr)
            return 1
        return 0
    print("usage: ruzovizu_jobs.py write-params TEMPLATE VALUES_JSON TARGET", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
