#!/usr/bin/env python3
"""Checks genome-browser track files with the programs that read them.

The engine's tracks (BED6, BED12, bedGraph, bigWig) are meant for other
people's tools, so the tests hand them to three real clients instead of
re-reading them with our own parser only:

  bedtools   (Debian package bedtools)          sort, merge, getfasta
  pyBigWig   (Debian package python3-pybigwig)  bigWig header and values
  IGV        (Debian packages igv, xvfb, xauth) batch mode under Xvfb:
             loads genome and tracks, takes snapshots of regions

Use from another script in this directory:

    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import track_clients as tc
    reason = tc.ensure_clients()
    if reason:
        print("skipped:", reason); sys.exit(77)

Conventions. Every check returns (ok, problems): ok is a bool, problems a
list of one-line texts, empty when ok. igv_check also returns the paths of
its snapshots. A client that is missing or cannot start raises
ClientUnavailable (the caller exits 77); a failed check never raises.

Coordinates are those of BED: 0-based, half-open. Regions for IGV are
written the way IGV reads them: "name:first-last", 1-based, inclusive.

The genome FASTA is never changed: bedtools and IGV get a symbolic link to
it in a work directory, beside a .fai index written here, so neither a
missing nor a stale index next to the caller's FASTA matters.

Command line:

    python3 track_clients.py check --genome G.fa --tracks DIR \\
        --region name:a-b [--region ...] [--blank-region name:c-d ...] \\
        [--out SNAPSHOT_DIR] [--timeout SECONDS]

prints one verdict line per track file of DIR and exits 0 (all accepted),
1 (a problem) or 77 (a client cannot run here).
"""
import argparse
import bisect
import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

TEXT_TRACK_SUFFIXES = (".bed", ".bedgraph", ".bg")
BIGWIG_SUFFIXES = (".bw", ".bigwig")

# The Debian interpreter that python3-pybigwig is built for; used when the
# interpreter running this file (a pyenv or venv one) cannot import it.
SYSTEM_PYTHON = "/usr/bin/python3"
DEBIAN_DIST_PACKAGES = "/usr/lib/python3/dist-packages"

# Packages per client, as ensure_clients installs them.
CLIENT_PACKAGES = {
    "bedtools": ["bedtools"],
    "pybigwig": ["python3-pybigwig"],
    "igv": ["igv", "xvfb", "xauth"],
}
ALL_CLIENTS = ("bedtools", "pybigwig", "igv")


class ClientUnavailable(Exception):
    """A client program or module is missing or cannot run here."""


# ---------------------------------------------------------------- clients


_pybigwig_module = None


def _import_pybigwig():
    """pyBigWig, or None. When this interpreter has no pyBigWig of its own,
    Debian's build is used if it was built for this interpreter's ABI (it
    is appended to sys.path, so it never shadows this interpreter's own
    modules)."""
    global _pybigwig_module
    if _pybigwig_module is not None:
        return _pybigwig_module
    try:
        import pyBigWig  # noqa: F401
        _pybigwig_module = pyBigWig
        return pyBigWig
    except ImportError:
        pass
    import importlib
    import sysconfig
    importlib.invalidate_caches()  # ensure_clients may just have installed it
    suffix = sysconfig.get_config_var("EXT_SUFFIX") or ""
    candidate = os.path.join(DEBIAN_DIST_PACKAGES, "pyBigWig" + suffix)
    if suffix and os.path.exists(candidate) and DEBIAN_DIST_PACKAGES not in sys.path:
        sys.path.append(DEBIAN_DIST_PACKAGES)
        try:
            import pyBigWig  # noqa: F811
            _pybigwig_module = pyBigWig
            return pyBigWig
        except ImportError:
            sys.path.remove(DEBIAN_DIST_PACKAGES)
    return None


def _pybigwig():
    module = _import_pybigwig()
    if module is None:
        raise ClientUnavailable("pyBigWig cannot be imported by %s" % sys.executable)
    return module


def _missing_programs(client):
    if client == "bedtools":
        return [p for p in ("bedtools",) if shutil.which(p) is None]
    if client == "igv":
        return [p for p in ("igv", "java", "xvfb-run", "Xvfb", "xauth") if shutil.which(p) is None]
    return []


def _client_missing(client):
    """What of the client is missing (empty: it is there)."""
    if client == "pybigwig":
        return [] if _import_pybigwig() is not None else ["pyBigWig module"]
    return _missing_programs(client)


def ensure_clients(clients=ALL_CLIENTS):
    """Installs the Debian packages of the missing clients with apt-get
    when running as root. Returns None when every client is there, else
    the reason it cannot be (the caller then exits 77)."""
    missing = {c: _client_missing(c) for c in clients}
    missing = {c: m for c, m in missing.items() if m}
    if not missing:
        return None
    packages = sorted({p for c in missing for p in CLIENT_PACKAGES[c]})
    what = ", ".join("%s (%s)" % (c, ", ".join(m)) for c, m in sorted(missing.items()))
    if os.geteuid() != 0:
        return "missing %s; not root, so the packages %s cannot be installed" % (what, " ".join(packages))
    if shutil.which("apt-get") is None:
        return "missing %s and there is no apt-get to install %s" % (what, " ".join(packages))
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    install = ["apt-get", "install", "-y", "--no-install-recommends"] + packages
    result = subprocess.run(install, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        # A fresh container has no package lists yet.
        subprocess.run(["apt-get", "update"], env=env, capture_output=True, text=True)
        result = subprocess.run(install, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        return "apt-get install %s failed: %s" % (" ".join(packages), _tail(result.stderr))
    still = {c: _client_missing(c) for c in missing}
    still = {c: m for c, m in still.items() if m}
    if still:
        what = ", ".join("%s (%s)" % (c, ", ".join(m)) for c, m in sorted(still.items()))
        return "still missing after installing %s: %s" % (" ".join(packages), what)
    return None


def reexec_for_pybigwig(argv=None):
    """When this interpreter cannot import pyBigWig but Debian's python3
    can, runs the script again under that one (does not return then).
    Returns when nothing is to be done."""
    if _import_pybigwig() is not None or os.environ.get("TRACK_CLIENTS_REEXEC"):
        return
    if not os.path.exists(SYSTEM_PYTHON) or os.path.realpath(SYSTEM_PYTHON) == os.path.realpath(sys.executable):
        return
    probe = subprocess.run([SYSTEM_PYTHON, "-c", "import pyBigWig"], capture_output=True)
    if probe.returncode != 0:
        return
    argv = list(sys.argv if argv is None else argv)
    os.environ["TRACK_CLIENTS_REEXEC"] = "1"
    sys.stdout.flush()
    sys.stderr.flush()
    os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + argv)


def _tail(text, lines=6):
    text = (text or "").strip().splitlines()
    return " | ".join(line.strip() for line in text[-lines:] if line.strip())


def _bedtools(args, timeout=120):
    if shutil.which("bedtools") is None:
        raise ClientUnavailable("bedtools is not installed")
    return subprocess.run(["bedtools"] + args, capture_output=True, text=True, timeout=timeout)


# ----------------------------------------------------------------- genome


def faidx_entries(fasta):
    """The .fai rows of a FASTA file: (name, length, offset, line_bases,
    line_bytes) per record, as samtools and bedtools index it. Raises
    ValueError for a file they could not index (lines of unequal length
    inside a record, no record, a repeated name)."""
    entries = []
    names = set()
    with open(fasta, "rb") as f:
        data = f.read()
    record = None  # [name, length, offset, line_bases, line_bytes]
    ended = False  # a shorter or blank line was seen: the record's letters are over
    pos = 0
    line_no = 0
    while pos < len(data):
        nl = data.find(b"\n", pos)
        end = len(data) if nl < 0 else nl + 1
        line = data[pos:end]
        body = line.rstrip(b"\r\n")
        line_no += 1
        pos = end
        if body.startswith(b">"):
            if record is not None:
                entries.append(tuple(record))
            words = body[1:].split()
            if not words:
                raise ValueError("%s: line %d: a header without a name" % (fasta, line_no))
            name = words[0].decode("ascii", "replace")
            if name in names:
                raise ValueError("%s: line %d: the name %s is repeated" % (fasta, line_no, name))
            names.add(name)
            record = [name, 0, end, 0, 0]
            ended = False
            continue
        if not body:
            ended = record is not None and record[1] > 0
            continue
        if record is None:
            raise ValueError("%s: line %d: letters before the first header" % (fasta, line_no))
        if record[3] == 0:
            record[3], record[4] = len(body), len(line)
        elif ended or len(body) > record[3]:
            raise ValueError("%s: line %d: lines of unequal length in %s" % (fasta, line_no, record[0]))
        elif len(body) < record[3]:
            ended = True  # only the record's last line may be shorter
        elif len(line) != record[4] and nl >= 0:
            raise ValueError("%s: line %d: line ends differ in %s" % (fasta, line_no, record[0]))
        record[1] += len(body)
    if record is not None:
        entries.append(tuple(record))
    if not entries:
        raise ValueError("%s: no FASTA record" % fasta)
    return entries


def write_fai(fasta, fai_path):
    with open(fai_path, "w") as out:
        for name, length, offset, line_bases, line_bytes in faidx_entries(fasta):
            out.write("%s\t%d\t%d\t%d\t%d\n" % (name, length, offset, line_bases, line_bytes))


def sequence_lengths(genome_fasta):
    """{name: length} of the FASTA's records."""
    return {e[0]: e[1] for e in faidx_entries(genome_fasta)}


def read_fasta(genome_fasta):
    """{name: letters} of a FASTA file (for the expectations of tests)."""
    records = {}
    name = None
    with open(genome_fasta) as f:
        for line in f:
            line = line.strip()
            if line.startswith(">"):
                name = line[1:].split()[0]
                records[name] = []
            elif line and name is not None:
                records[name].append(line)
    return {k: "".join(v) for k, v in records.items()}


def _stage_genome(genome_fasta, work_dir):
    """A symbolic link to the FASTA in work_dir, with a fresh .fai beside it."""
    os.makedirs(work_dir, exist_ok=True)
    staged = os.path.join(work_dir, "genome" + _fasta_suffix(genome_fasta))
    if os.path.lexists(staged):
        os.remove(staged)
    os.symlink(os.path.abspath(genome_fasta), staged)
    write_fai(genome_fasta, staged + ".fai")
    return staged


def _fasta_suffix(path):
    lower = path.lower()
    for suffix in (".fasta", ".fa", ".fna"):
        if lower.endswith(suffix):
            return suffix
    return ".fa"


# --------------------------------------------------------------- bedtools


def _is_header(line):
    return line.startswith("track") or line.startswith("browser") or line.startswith("#")


def _track_kind(path, header_lines):
    lower = path.lower()
    if lower.endswith(".bedgraph") or lower.endswith(".bg"):
        return "bedGraph"
    if any(re.search(r"\btype=bedGraph\b", h) for h in header_lines):
        return "bedGraph"
    return "bed"


def _int(text):
    if not re.fullmatch(r"-?[0-9]+", text):
        raise ValueError(text)
    return int(text)


def _bed_line_problems(fields, kind, lengths):
    """The problems of one data line's fields (empty list: none)."""
    problems = []
    if kind == "bedGraph":
        if len(fields) != 4:
            return ["%d fields, a bedGraph line has 4" % len(fields)]
    elif not 3 <= len(fields) <= 12:
        return ["%d fields, a BED line has 3 to 12" % len(fields)]
    name = fields[0]
    try:
        start, end = _int(fields[1]), _int(fields[2])
    except ValueError:
        return ["start or end is not a whole number: %r %r" % (fields[1], fields[2])]
    if name not in lengths:
        problems.append("sequence %r is not in the genome (%s)" % (name, ", ".join(sorted(lengths))))
    elif end > lengths[name]:
        problems.append("end %d past the length %d of %s" % (end, lengths[name], name))
    if start < 0:
        problems.append("start %d below 0" % start)
    if start >= end:
        problems.append("start %d not below end %d" % (start, end))
    if kind == "bedGraph":
        try:
            value = float(fields[3])
            if math.isnan(value) or math.isinf(value):
                problems.append("value %r is not a finite number" % fields[3])
        except ValueError:
            problems.append("value %r is not a number" % fields[3])
        return problems
    if len(fields) >= 5:
        try:
            score = _int(fields[4])
            if not 0 <= score <= 1000:
                problems.append("score %d outside 0..1000" % score)
        except ValueError:
            problems.append("score %r is not a whole number" % fields[4])
    if len(fields) >= 6 and fields[5] not in ("+", "-", "."):
        problems.append("strand %r is not +, - or ." % fields[5])
    if len(fields) >= 8:
        try:
            thick_start, thick_end = _int(fields[6]), _int(fields[7])
            if not start <= thick_start <= thick_end <= end:
                problems.append("thick part %d-%d outside %d-%d" % (thick_start, thick_end, start, end))
        except ValueError:
            problems.append("thickStart or thickEnd is not a whole number")
    if len(fields) >= 9 and not re.fullmatch(r"0|\d{1,3},\d{1,3},\d{1,3}", fields[8]):
        problems.append("itemRgb %r is neither 0 nor r,g,b" % fields[8])
    if len(fields) in (10, 11):
        problems.append("%d fields: blockCount, blockSizes and blockStarts come together" % len(fields))
    if len(fields) == 12:
        problems.extend(_block_problems(fields, start, end))
    return problems


def _block_problems(fields, start, end):
    try:
        count = _int(fields[9])
        sizes = [_int(x) for x in fields[10].rstrip(",").split(",")]
        starts = [_int(x) for x in fields[11].rstrip(",").split(",")]
    except ValueError:
        return ["blockCount, blockSizes or blockStarts is not a list of whole numbers"]
    if count < 1 or len(sizes) != count or len(starts) != count:
        return ["blockCount %d with %d sizes and %d starts" % (count, len(sizes), len(starts))]
    problems = []
    if starts[0] != 0:
        problems.append("the first block starts at %d, not at 0" % starts[0])
    if starts[-1] + sizes[-1] != end - start:
        problems.append("the last block ends at %d, not at the span %d" % (starts[-1] + sizes[-1], end - start))
    for i in range(count):
        if sizes[i] <= 0:
            problems.append("block %d has size %d" % (i + 1, sizes[i]))
        if i and starts[i] < starts[i - 1] + sizes[i - 1]:
            problems.append("block %d starts before block %d ends" % (i + 1, i))
    return problems


def own_bound_check(path, genome_fasta, lengths=None):
    """Our reading of a text track against the genome: (ok, problems).
    Each data line names a sequence of the FASTA, has 0 <= start < end <=
    length, and the fields of its kind (bedGraph: 4 fields, a number;
    BED: score 0..1000, strand, thick part and blocks inside the line).
    A bedGraph's lines must not overlap, and a bedGraph's track line must
    say type=bedGraph."""
    if lengths is None:
        lengths = sequence_lengths(genome_fasta)
    problems = []
    headers = []
    data = []
    with open(path, newline="") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n").rstrip("\r")
            if not line.strip():
                continue
            if _is_header(line):
                headers.append(line)
                continue
            data.append((number, line))
    kind = _track_kind(path, headers)
    name = os.path.basename(path)
    if kind == "bedGraph":
        for h in headers:
            if h.startswith("track") and not re.search(r"\btype=bedGraph\b", h):
                problems.append("%s: the track line lacks type=bedGraph: %s" % (name, h))
    spans = []
    for number, line in data:
        fields = line.split("\t")
        for p in _bed_line_problems(fields, kind, lengths):
            problems.append("%s line %d: %s" % (name, number, p))
        if kind == "bedGraph" and len(fields) >= 3:
            try:
                spans.append((fields[0], _int(fields[1]), _int(fields[2]), number))
            except ValueError:
                pass
    spans.sort()
    for a, b in zip(spans, spans[1:]):
        if a[0] == b[0] and b[1] < a[2]:
            problems.append("%s lines %d and %d overlap" % (name, a[3], b[3]))
    if not data:
        problems.append("%s: no data line" % name)
    return (not problems, problems)


def bedtools_accepts(path, genome_fasta, work_dir=None):
    """Whether bedtools reads the text track: (ok, problems).

    Runs `bedtools sort -i path` and `bedtools merge -i <sorted>` (merge
    needs sorted input; both read BED6, BED12 and bedGraph), requires that
    sort keeps every data line, and adds own_bound_check, since bedtools
    knows no sequence lengths and lets an end past the sequence through.

    Header lines go to bedtools as they are: bedtools 2.30 skips leading
    `track`, `browser` and `#` lines in sort and merge (and leaves them out
    of sort's output), so no stripped copy is needed."""
    problems = []
    name = os.path.basename(path)
    own_dir = work_dir is None
    work_dir = work_dir or tempfile.mkdtemp(prefix="bedtools_check_")
    try:
        sort = _bedtools(["sort", "-i", path])
        if sort.returncode != 0:
            problems.append("%s: bedtools sort failed (exit %d): %s" % (name, sort.returncode, _tail(sort.stderr)))
        else:
            sorted_path = os.path.join(work_dir, "sorted_" + name)
            with open(sorted_path, "w") as out:
                out.write(sort.stdout)
            with open(path) as f:
                data_lines = sum(1 for line in f if line.strip() and not _is_header(line))
            kept = sum(1 for line in sort.stdout.splitlines() if line.strip())
            if kept != data_lines:
                problems.append("%s: bedtools sort kept %d of %d data lines" % (name, kept, data_lines))
            merge = _bedtools(["merge", "-i", sorted_path])
            if merge.returncode != 0:
                problems.append("%s: bedtools merge failed (exit %d): %s"
                                % (name, merge.returncode, _tail(merge.stderr)))
            elif data_lines and not merge.stdout.strip():
                problems.append("%s: bedtools merge gave no interval" % name)
    finally:
        if own_dir:
            shutil.rmtree(work_dir, ignore_errors=True)
    problems.extend(own_bound_check(path, genome_fasta)[1])
    return (not problems, problems)


def getfasta(genome_fasta, intervals, stranded=True):
    """The letters of intervals [(name, start, end, strand), ...] by
    `bedtools getfasta -tab` (with -s when stranded: "-" intervals give
    the reverse complement), in the order given. Raises RuntimeError when
    bedtools fails or skips an interval (a name not in the FASTA, an end
    past the sequence)."""
    intervals = list(intervals)
    if not intervals:
        return []
    work_dir = tempfile.mkdtemp(prefix="getfasta_")
    try:
        staged = _stage_genome(genome_fasta, work_dir)
        bed = os.path.join(work_dir, "intervals.bed")
        with open(bed, "w") as out:
            for i, (name, start, end, strand) in enumerate(intervals):
                out.write("%s\t%d\t%d\ti%d\t0\t%s\n" % (name, start, end, i, strand or "."))
        args = ["getfasta", "-fi", staged, "-bed", bed, "-tab"] + (["-s"] if stranded else [])
        result = _bedtools(args)
        if result.returncode != 0:
            raise RuntimeError("bedtools getfasta failed (exit %d): %s" % (result.returncode, _tail(result.stderr)))
        letters = [line.rsplit("\t", 1)[-1] for line in result.stdout.splitlines() if line.strip()]
        if len(letters) != len(intervals):
            raise RuntimeError("bedtools getfasta gave %d of %d intervals: %s"
                               % (len(letters), len(intervals), _tail(result.stderr)))
        return letters
    finally:
        shutil.rmtree(work_dir, ignore_errors=True)


def compare_getfasta(genome_fasta, expected, stranded=True, ignore_case=True):
    """Compares letters reported elsewhere with bedtools getfasta's:
    expected is [(name, start, end, strand, letters), ...]. (ok, problems)."""
    expected = list(expected)
    try:
        got = getfasta(genome_fasta, [e[:4] for e in expected], stranded)
    except RuntimeError as e:
        return (False, [str(e)])
    problems = []
    for (name, start, end, strand, want), have in zip(expected, got):
        a, b = (want.upper(), have.upper()) if ignore_case else (want, have)
        if a != b:
            problems.append("%s:%d-%d(%s): expected %s, bedtools getfasta gives %s"
                            % (name, start, end, strand, want, have))
    return (not problems, problems)


# ----------------------------------------------------------------- bigWig


def bigwig_values(path, chrom, positions):
    """Values of a bigWig at 0-based positions of chrom, through pyBigWig:
    (chroms, values), chroms the header's {name: length}, values a list
    with None where no interval covers the position (or chrom is not in
    the header, or the position is outside it). Raises RuntimeError when
    pyBigWig cannot open the file as a bigWig."""
    pbw = _pybigwig()
    try:
        bw = pbw.open(path)
    except RuntimeError as e:
        raise RuntimeError("pyBigWig cannot open %s: %s" % (path, e))
    try:
        if bw is None or not bw.isBigWig():
            raise RuntimeError("%s is not a bigWig file" % path)
        chroms = dict(bw.chroms())
        positions = list(positions)
        if chrom not in chroms:
            return chroms, [None] * len(positions)
        intervals = bw.intervals(chrom) or ()
        starts = [iv[0] for iv in intervals]
        values = []
        for p in positions:
            k = bisect.bisect_right(starts, p) - 1
            if 0 <= p < chroms[chrom] and k >= 0 and intervals[k][0] <= p < intervals[k][1]:
                values.append(intervals[k][2])
            else:
                values.append(None)
        return chroms, values
    finally:
        if bw is not None:
            bw.close()


def bigwig_intervals(path):
    """{chrom: [(start, end, value), ...]} of every interval of a bigWig."""
    pbw = _pybigwig()
    bw = pbw.open(path)
    try:
        return {c: list(bw.intervals(c) or ()) for c in bw.chroms()}
    finally:
        bw.close()


def compare_bigwig(path, chrom, length, expected, exact=True, tolerance=1e-6):
    """Compares a bigWig with expected weights {0-based position: value}:
    the header has chrom with `length`, each position has its value, and
    when exact, no other position has a value. (ok, problems)."""
    name = os.path.basename(path)
    try:
        chroms, values = bigwig_values(path, chrom, sorted(expected))
    except RuntimeError as e:
        return (False, [str(e)])
    problems = []
    if chroms.get(chrom) != length:
        problems.append("%s: header has %s, expected %s of length %d" % (name, chroms, chrom, length))
    for p, have in zip(sorted(expected), values):
        want = expected[p]
        if have is None or abs(have - want) > tolerance * max(1.0, abs(want)):
            problems.append("%s: %s position %d has %s, expected %s" % (name, chrom, p, have, want))
    if exact:
        extra = []
        for c, ivs in bigwig_intervals(path).items():
            for start, end, value in ivs:
                extra.extend((c, p) for p in range(start, end) if c != chrom or p not in expected)
        if extra:
            problems.append("%s: %d positions have a value without one expected, first %s:%d"
                            % (name, len(extra), extra[0][0], extra[0][1]))
    return (not problems, problems)


def bigwig_accepts(path, genome_fasta):
    """Whether pyBigWig opens the file as a bigWig whose sequences are the
    genome's (same names and lengths) and whose intervals lie inside them
    with finite values. (ok, problems)."""
    name = os.path.basename(path)
    lengths = sequence_lengths(genome_fasta)
    pbw = _pybigwig()
    try:
        bw = pbw.open(path)
    except RuntimeError as e:
        return (False, ["%s: pyBigWig cannot open it: %s" % (name, e)])
    problems = []
    try:
        if bw is None or not bw.isBigWig():
            return (False, ["%s: not a bigWig file" % name])
        chroms = dict(bw.chroms())
        if not chroms:
            problems.append("%s: no sequence in the header" % name)
        for c, n in chroms.items():
            if c not in lengths:
                problems.append("%s: sequence %r is not in the genome" % (name, c))
            elif lengths[c] != n:
                problems.append("%s: %s has length %d, the genome's is %d" % (name, c, n, lengths[c]))
            last_end = 0
            for start, end, value in bw.intervals(c) or ():
                if start < last_end or end > n or start >= end:
                    problems.append("%s: interval %s:%d-%d out of order or out of bounds" % (name, c, start, end))
                    break
                if math.isnan(value) or math.isinf(value):
                    problems.append("%s: %s:%d-%d has value %s" % (name, c, start, end, value))
                    break
                last_end = end
    finally:
        bw.close()
    return (not problems, problems)


# -------------------------------------------------------------------- PNG


class PngError(ValueError):
    pass


def read_png(path):
    """Decodes an 8-bit, non-interlaced PNG (what IGV's snapshots are):
    (width, height, channels, rows), rows a list of unfiltered byte rows.
    Raises PngError for anything that is not a valid PNG of that kind
    (signature, chunk CRCs, IHDR, IDAT, IEND, data size)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise PngError("%s: no PNG signature" % path)
    pos = 8
    header = None
    palette = None
    idat = []
    ended = False
    while pos + 12 <= len(data):
        length, = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        crc_bytes = data[pos + 8 + length:pos + 12 + length]
        if len(body) != length or len(crc_bytes) != 4:
            raise PngError("%s: chunk %r cut short" % (path, kind))
        if zlib.crc32(kind + body) & 0xFFFFFFFF != struct.unpack(">I", crc_bytes)[0]:
            raise PngError("%s: chunk %r has a wrong CRC" % (path, kind))
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            ended = True
            break
        pos += 12 + length
    if header is None or not idat or not ended:
        raise PngError("%s: IHDR, IDAT or IEND missing" % path)
    width, height, depth, color, _compression, _filter, interlace = header
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(color)
    if depth != 8 or channels is None or interlace != 0 or width == 0 or height == 0:
        raise PngError("%s: unsupported PNG (depth %d, colour type %d, interlace %d)" % (path, depth, color, interlace))
    try:
        raw = zlib.decompress(b"".join(idat))
    except zlib.error as e:
        raise PngError("%s: image data do not inflate: %s" % (path, e))
    stride = width * channels
    if len(raw) != height * (stride + 1):
        raise PngError("%s: %d bytes of image data, expected %d" % (path, len(raw), height * (stride + 1)))
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 255
        elif kind == 2:
            line = bytearray((a + b) & 255 for a, b in zip(line, previous))
        elif kind == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif kind != 0:
            raise PngError("%s: row %d has filter type %d" % (path, y, kind))
        rows.append(bytes(line))
        previous = line
    if color == 3:
        if palette is None:
            raise PngError("%s: palette image without PLTE" % path)
        rows = [b"".join(palette[3 * i:3 * i + 3] for i in row) for row in rows]
        channels = 3
    return width, height, channels, rows


def _is_ink(pixel, channels):
    """A pixel that a track draws: coloured, or dark. IGV's chrome (panel
    background 250, white, the grey borders 192 and row separators 240)
    is neither."""
    if channels <= 2:
        return pixel[0] < 150
    r, g, b = pixel[0], pixel[1], pixel[2]
    return max(r, g, b) - min(r, g, b) > 40 or max(r, g, b) < 150


def ink_count(png, left):
    """Pixels of ink right of x = left, wherever they are in height, so a
    panel divider placed a few rows lower does not count. A one-pixel
    line across the whole width (a chart's zero line, a ruler's axis) is
    left out: an empty numeric track draws it too."""
    width, height, channels, rows = png
    cache = {}
    row_cache = {}  # most rows of a snapshot repeat (empty track area)
    per_row = []
    for row in rows:
        part = row[left * channels:]
        n = row_cache.get(part)
        if n is None:
            n = 0
            for i in range(0, len(part), channels):
                px = part[i:i + channels]
                ink = cache.get(px)
                if ink is None:
                    ink = cache[px] = _is_ink(px, channels)
                n += ink
            row_cache[part] = n
        per_row.append(n)
    full = 0.9 * max(1, width - left)
    total = 0
    for y, n in enumerate(per_row):
        above = per_row[y - 1] if y > 0 else 0
        below = per_row[y + 1] if y + 1 < len(per_row) else 0
        if n >= full and above < full and below < full:
            continue
        total += n
    return total


# -------------------------------------------------------------------- IGV

# IGV's name panel is this wide (set in its preferences below); the track
# area starts a few pixels right of it, after the panel borders.
NAME_PANEL_WIDTH = 160
TRACK_AREA_LEFT = NAME_PANEL_WIDTH + 15

IGV_PREFERENCES = [
    "SHOW_GENOME_SERVER_WARNING=FALSE",
    "AUTO_UPDATE_GENOMES=FALSE",
    "PROXY.DISABLE_CHECK=TRUE",
    "SKIP_VERSION=ALL",
    # Two runs at once must not fight over the batch port.
    "PORT_ENABLED=FALSE",
    "NAME_PANEL_WIDTH=%d" % NAME_PANEL_WIDTH,
    # Crisp drawing and no "[0 - max]" labels: the ink of a snapshot is
    # then what the tracks' data draw.
    "ENABLE_ANTIALIASING=FALSE",
    "CHART.SHOW_DATA_RANGE=FALSE",
]

# IGV looks up its genome list and OAuth settings on the network at start;
# offline these fail with SEVERE lines. Only failures of exactly these
# lookups are passed over.
IGV_NETWORK_CLASSES = ("OAuthUtils", "GenomeListManager")
IGV_NETWORK_TEXT = re.compile(
    r"UnknownHostException|ConnectException|NoRouteToHostException|SocketTimeoutException|"
    r"SocketException|SSLException|HttpTimeoutException|Error fetching")

_LOG_ENTRY = re.compile(r"^(SEVERE|WARNING|ERROR|INFO|CONFIG|FINE|FINER|FINEST|DEBUG) \[[^\]]*\] \[([^\]]*)\] ?(.*)$")
_JAVA_EXCEPTION = re.compile(r"\b[\w$]+(?:\.[\w$]+)*(?:Exception|Error)\b")
_REGION = re.compile(r"^(\S+):([0-9][0-9,]*)-([0-9][0-9,]*)$")


def parse_region(region, lengths):
    """(name, first, last), 1-based inclusive, of "name:first-last";
    raises ValueError for a malformed region or one off the genome."""
    m = _REGION.match(region)
    if not m:
        raise ValueError("region %r is not name:first-last" % region)
    name, first, last = m.group(1), int(m.group(2).replace(",", "")), int(m.group(3).replace(",", ""))
    if name not in lengths:
        raise ValueError("region %r: %s is not in the genome" % (region, name))
    if not 1 <= first <= last <= lengths[name]:
        raise ValueError("region %r outside 1..%d" % (region, lengths[name]))
    return name, first, last


def _log_entries(log_text):
    """The entries of an IGV log: (level, class, text), the text joined
    from the entry's lines without its stack frames."""
    entries = []
    for line in log_text.splitlines():
        m = _LOG_ENTRY.match(line)
        if m:
            entries.append((m.group(1), m.group(2), [m.group(3)]))
        elif entries and line.strip() and not line.lstrip().startswith(("at ", "...")):
            entries[-1][2].append(line.strip())
    return [(level, cls, " ".join(lines).strip()) for level, cls, lines in entries]


def _reportable(level, cls, text):
    if cls in IGV_NETWORK_CLASSES and IGV_NETWORK_TEXT.search(text):
        return False
    return level in ("SEVERE", "ERROR") or bool(_JAVA_EXCEPTION.search(text)) or "=> Error" in text


def igv_log_problems(log_text):
    """The entries of an IGV log worth reporting, as one-line texts:
    SEVERE and ERROR entries, and entries of any level that name a Java
    exception or an error of a batch command ("load X => Error: ..."),
    less the failed network lookups at start (IGV_NETWORK_CLASSES)."""
    return ["%s [%s] %s" % e for e in _log_entries(log_text) if _reportable(*e)]


def _attribute_log(log_text, staged_to_original):
    """igv_log_problems, each led by the file it concerns: the track whose
    path it names, else the track loaded last before it, else "genome"
    (after "Loading genome") or "igv"."""
    problems = []
    current = "igv"
    for level, cls, text in _log_entries(log_text):
        m = re.search(r"Loading resource:\s*(\S+)", text)
        if m:
            current = staged_to_original.get(m.group(1), m.group(1))
        elif cls == "GenomeManager" and "Loading genome" in text:
            current = "genome"
        if not _reportable(level, cls, text):
            continue
        full = "%s [%s] %s" % (level, cls, text)
        source = current
        # Longest first: "01_a.bed" must not be found inside "11_a.bed".
        for staged in sorted(staged_to_original, key=len, reverse=True):
            if staged in full:
                source = staged_to_original[staged]
                break
        for staged in sorted(staged_to_original, key=len, reverse=True):
            full = full.replace(staged, staged_to_original[staged])
        problems.append("%s: %s" % (source, _shorten(full)))
    return problems


def _shorten(text, limit=400):
    return text if len(text) <= limit else text[:limit - 3] + "..."


def _safe_name(text):
    return re.sub(r"[^A-Za-z0-9_.-]+", "_", text)


def _kill_group(process):
    """Ends what the run started and left behind (xvfb-run, its Xvfb,
    IGV's java): they share the process group made for the run, whose id
    is the pid of xvfb-run."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, 0)
        except ProcessLookupError:
            return
        os.killpg(process.pid, sig)
        deadline = time.time() + 5
        while time.time() < deadline:
            process.poll()  # reaps the leader, so the group can empty
            try:
                os.killpg(process.pid, 0)
            except ProcessLookupError:
                return
            time.sleep(0.1)


# The latest IGV run: its wall time (for timing reports) and the id of the
# process group it ran in (gone once run_igv_batch returns).
last_igv_seconds = None
last_igv_group = None


def run_igv_batch(batch_lines, genome_path, out_dir, timeout=180):
    """Runs IGV on a batch script under Xvfb with a fresh home directory
    (the user's IGV settings stay untouched). Returns (exit code or None on
    timeout, log text, console text, seconds). Raises ClientUnavailable
    when igv or xvfb-run is missing."""
    global last_igv_group
    missing = _missing_programs("igv")
    if missing:
        raise ClientUnavailable("missing %s" % ", ".join(missing))
    home = tempfile.mkdtemp(prefix="igv_home_")
    try:
        os.makedirs(os.path.join(home, "igv"))
        with open(os.path.join(home, "igv", "prefs.properties"), "w") as f:
            f.write("DEFAULT_GENOME_KEY=%s\n" % genome_path)
            f.write("\n".join(IGV_PREFERENCES) + "\n")
        batch = os.path.join(out_dir, "batch.txt")
        with open(batch, "w") as f:
            f.write("\n".join(batch_lines) + "\n")
        env = dict(os.environ, HOME=home)
        env["JAVA_TOOL_OPTIONS"] = (os.environ.get("JAVA_TOOL_OPTIONS", "") + " -Duser.home=%s" % home).strip()
        env.pop("DISPLAY", None)
        # The X authority file lives in the run's home, so nothing of
        # xvfb-run's is left in /tmp when the run has to be killed.
        command = ["xvfb-run", "-a", "-f", os.path.join(home, "Xauthority"),
                   "-e", os.path.join(home, "xvfb.err"),
                   "-s", "-screen 0 1280x800x24", "igv", "-b", batch]
        console_path = os.path.join(out_dir, "igv.console.txt")
        started = time.time()
        with open(console_path, "w") as console:
            process = subprocess.Popen(command, cwd=out_dir, env=env, stdout=console, stderr=subprocess.STDOUT,
                                       stdin=subprocess.DEVNULL, start_new_session=True)
            last_igv_group = process.pid
            try:
                code = process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                code = None
            _kill_group(process)
            if code is None:
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    pass
        seconds = time.time() - started
        log_path = os.path.join(home, "igv", "igv0.log")
        log_text = ""
        if os.path.exists(log_path):
            with open(log_path, errors="replace") as f:
                log_text = f.read()
            shutil.copy(log_path, os.path.join(out_dir, "igv.log"))
        with open(console_path, errors="replace") as f:
            console_text = f.read()
        xvfb_err = os.path.join(home, "xvfb.err")
        if os.path.exists(xvfb_err):
            with open(xvfb_err, errors="replace") as f:
                console_text += f.read()
        return code, log_text, console_text, seconds
    finally:
        shutil.rmtree(home, ignore_errors=True)


def igv_check(genome_fasta, track_paths, regions, out_dir, blank_regions=(), min_pixels=40, timeout=180):
    """Loads the genome and the tracks into IGV (batch mode, Xvfb) and
    takes snapshots of the regions. Returns (ok, problems, snapshots):
    snapshots are the paths of the snapshots with all tracks loaded, the
    regions' then the blank regions'. out_dir keeps them, the snapshots of
    each track alone, those with no track ("bare_..."), the batch file and
    IGV's log.

    One IGV run takes, for each region, a snapshot with no track, one with
    all tracks, and (for two or more tracks) one with each track alone.
    The ink of a snapshot is counted in the track area (ink_count); what a
    snapshot draws is its ink less that of the bare one of its region.

    Problems: IGV's exit code or a timeout; reported log entries (see
    igv_log_problems), each led by the track, "genome" or "igv" it
    concerns; a track or the genome IGV did not report loading; a snapshot
    missing or not a valid PNG; a region where all tracks draw fewer than
    min_pixels pixels; a track that draws fewer in every region (a track
    loaded without a drawn feature); min_pixels or more drawn in a blank
    region, by all tracks or by one."""
    global last_igv_seconds
    problems = []
    regions, blank_regions, track_paths = list(regions), list(blank_regions), list(track_paths)
    out_dir = os.path.abspath(out_dir)
    if re.search(r"\s", out_dir):
        return (False, ["%s: a path in an IGV batch file cannot hold blanks" % out_dir], [])
    if not regions:
        return (False, ["igv: no region to take a snapshot of"], [])
    os.makedirs(out_dir, exist_ok=True)
    try:
        lengths = sequence_lengths(genome_fasta)
        parsed = [parse_region(r, lengths) for r in regions + blank_regions]
    except (OSError, ValueError) as e:
        return (False, [str(e)], [])
    for entry in os.listdir(out_dir):
        if entry.endswith(".png"):
            os.remove(os.path.join(out_dir, entry))
    stage = os.path.join(out_dir, "inputs")
    if os.path.isdir(stage):
        shutil.rmtree(stage)
    staged_genome = _stage_genome(genome_fasta, stage)
    staged_to_original = {}
    staged_tracks = []
    for i, path in enumerate(track_paths):
        if not os.path.exists(path):
            problems.append("%s: no such file" % path)
            continue
        # One directory a track, so IGV shows the file's own name, and the
        # link keeps the suffix by which IGV tells the format.
        staged = os.path.join(stage, "%02d" % (i + 1), _safe_name(os.path.basename(path)))
        os.makedirs(os.path.dirname(staged))
        os.symlink(os.path.abspath(path), staged)
        staged_to_original[staged] = path
        staged_tracks.append(staged)

    names = []
    for k, (name, first, last) in enumerate(parsed):
        kind = "region" if k < len(regions) else "blank"
        names.append("%s%02d_%s_%d-%d" % (kind, k + 1, _safe_name(name), first, last))
    gotos = ["goto %s:%d-%d" % p for p in parsed]
    # IGV 2.16 draws nothing of a bigWig, in any region, when it was loaded
    # while the view lay near the sequence's end past the bigWig's data; so
    # each load happens with the whole of the first region's sequence in
    # view.
    whole = "goto %s:1-%d" % (parsed[0][0], lengths[parsed[0][0]])
    passes = [("", staged_tracks)]
    if len(staged_tracks) > 1:
        passes += [("track%02d_" % (i + 1), [t]) for i, t in enumerate(staged_tracks)]
    lines = ["new", "genome %s" % staged_genome, "snapshotDirectory %s" % out_dir]
    for goto, base in zip(gotos, names):
        lines += [goto, "snapshot bare_%s.png" % base]
    for prefix, tracks in passes:
        if prefix:
            lines.append("new")
        lines.append(whole)
        lines += ["load %s" % t for t in tracks]
        for goto, base in zip(gotos, names):
            lines += [goto, "snapshot %s%s.png" % (prefix, base)]
    lines.append("exit")

    code, log_text, console_text, seconds = run_igv_batch(lines, staged_genome, out_dir, timeout)
    last_igv_seconds = seconds
    if code is None:
        problems.append("igv: no exit within %d s; the run was killed" % timeout)
    elif code != 0:
        problems.append("igv: exit code %d: %s" % (code, _tail(console_text)))
    if not log_text:
        problems.append("igv: no log written: %s" % _tail(console_text))
    for line in console_text.splitlines():
        if line.startswith(("Exception in thread", "Error:", "xvfb-run: error")):
            problems.append("igv: %s" % _shorten(line.strip()))
    for p in _attribute_log(log_text, staged_to_original):
        if p not in problems:  # each track is loaded twice
            problems.append(p)
    if log_text and "Loading genome: %s" % staged_genome not in log_text:
        problems.append("genome: IGV did not report loading %s" % genome_fasta)
    for staged in staged_tracks:
        if log_text and not re.search(r"Loading resource:\s*%s\s*$" % re.escape(staged), log_text, re.M):
            problems.append("%s: IGV did not report loading it" % staged_to_original[staged])

    def ink_of(file_name, region):
        try:
            return ink_count(read_png(os.path.join(out_dir, file_name)), TRACK_AREA_LEFT)
        except OSError:
            problems.append("snapshot %s of %s: not written" % (file_name, region))
        except PngError as e:
            problems.append("snapshot of %s: %s" % (region, e))
        return None

    bare = [ink_of("bare_%s.png" % base, "%s:%d-%d" % p) for base, p in zip(names, parsed)]
    snapshots = [os.path.join(out_dir, base + ".png") for base in names]
    for prefix, tracks in passes:
        who = staged_to_original[tracks[0]] if prefix else "all tracks"
        most = None
        for k, (base, p) in enumerate(zip(names, parsed)):
            region = "%s:%d-%d" % p
            ink = ink_of(prefix + base + ".png", region)
            if ink is None or bare[k] is None:
                continue
            drawn = ink - bare[k]
            if k < len(regions):
                most = drawn if most is None else max(most, drawn)
                if not prefix and drawn < min_pixels:
                    problems.append("%s: %d pixels drawn in %s, fewer than %d: a missing feature"
                                    % (who, drawn, region, min_pixels))
            elif drawn >= min_pixels:
                problems.append("%s: %d pixels drawn in the blank region %s (%d or more)"
                                % (who, drawn, region, min_pixels))
        if prefix and most is not None and most < min_pixels:
            problems.append("%s: at most %d pixels drawn in the regions, fewer than %d: no feature shown"
                            % (who, most, min_pixels))
    return (not problems, problems, snapshots)


# -------------------------------------------------------------------- CLI


def _track_files(directory):
    files = []
    for entry in sorted(os.listdir(directory)):
        path = os.path.join(directory, entry)
        lower = entry.lower()
        if os.path.isfile(path) and lower.endswith(TEXT_TRACK_SUFFIXES + BIGWIG_SUFFIXES):
            files.append(path)
    return files


def _listing(problems, most=4):
    """": first; second; ... (+N more)", or nothing for no problem."""
    if not problems:
        return ""
    more = " (+%d more)" % (len(problems) - most) if len(problems) > most else ""
    return ": " + "; ".join(problems[:most]) + more


def check_directory(genome, tracks_dir, regions, blank_regions=(), out_dir=None, timeout=180, stream=None):
    """The CLI's check: bedtools_accepts on each text track of tracks_dir,
    bigwig_accepts on each bigWig, all of them in one IGV run. Prints one
    verdict line per file and one for IGV; returns the exit code (0, 1,
    77)."""
    stream = stream or sys.stdout
    reason = ensure_clients()
    if reason:
        print("skipped: %s" % reason, file=stream)
        return 77
    files = _track_files(tracks_dir)
    if not files:
        print("FAIL %s: no track file (.bed, .bedGraph, .bw)" % tracks_dir, file=stream)
        return 1
    own_out = out_dir is None
    out_dir = out_dir or tempfile.mkdtemp(prefix="track_check_")
    try:
        per_file = {}
        for path in files:
            if path.lower().endswith(BIGWIG_SUFFIXES):
                per_file[path] = bigwig_accepts(path, genome)[1]
            else:
                per_file[path] = bedtools_accepts(path, genome)[1]
        _, igv_problems, _ = igv_check(genome, files, regions, out_dir, blank_regions=blank_regions,
                                       timeout=timeout)
        general = []
        for p in igv_problems:
            for path in files:
                if p.startswith(path + ": "):
                    per_file[path].append("IGV: " + p[len(path) + 2:])
                    break
            else:
                general.append(p)
        failed = False
        for path in files:
            problems = per_file[path]
            failed |= bool(problems)
            print("%s %s%s" % ("FAIL" if problems else "OK  ", os.path.basename(path), _listing(problems)),
                  file=stream)
        failed |= bool(general)
        print("%s igv (%.1f s)%s" % ("FAIL" if general else "OK  ", last_igv_seconds or 0.0, _listing(general)),
              file=stream)
        if not own_out:
            print("snapshots in %s" % out_dir, file=stream)
        return 1 if failed else 0
    except ClientUnavailable as e:
        print("skipped: %s" % e, file=stream)
        return 77
    finally:
        if own_out:
            shutil.rmtree(out_dir, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Checks track files with bedtools, pyBigWig and IGV.")
    sub = parser.add_subparsers(dest="command", required=True)
    check = sub.add_parser("check", help="check every track file of a directory")
    check.add_argument("--genome", required=True, help="the genome FASTA the tracks lie on")
    check.add_argument("--tracks", required=True, help="directory of .bed, .bedGraph and .bw files")
    check.add_argument("--region", action="append", required=True,
                       help="name:first-last (1-based) where the tracks must draw something; repeatable")
    check.add_argument("--blank-region", action="append", default=[],
                       help="name:first-last where the tracks must draw nothing; repeatable")
    check.add_argument("--out", help="keep IGV's snapshots, batch file and log here")
    check.add_argument("--timeout", type=float, default=180, help="seconds the IGV run may take")
    args = parser.parse_args(argv)
    if ensure_clients():
        # Installed now, perhaps for Debian's python3 only.
        reexec_for_pybigwig()
    return check_directory(args.genome, args.tracks, args.region, args.blank_region, args.out, args.timeout)


if __name__ == "__main__":
    reexec_for_pybigwig()
    sys.exit(main())
