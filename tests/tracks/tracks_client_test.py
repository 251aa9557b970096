#!/usr/bin/env python3
"""The engine's tracks read by the clients our users read them with.

Every analysis that reports positions is run with --tracks on two inputs:
the bundled example (a 6000-letter genome with planted replaced-end,
circular and parted reads, some of them across the genome's end) and the
bundled phage (its FASTA record and reads prepared by fPrepGenome and
fPrepReads, so the tracks lie on the record's own name). Then:

  - bedtools sorts and merges every BED and bedGraph file;
  - bedtools getfasta gives, for the reported sites, segments, placements
    and repeats, the letters the reports show on that strand;
  - the bedGraph values are the reports' (ratings, entropies);
  - pyBigWig reads the weights of the text reports back from the bigWig
    files, on both strands;
  - the reads of the FASTA outputs are the reads file's lines of their
    titles and lie nowhere in the genome;
  - IGV loads each genome and all its tracks in batch mode under Xvfb
    without an error in its log, and draws the planted features.

Usage: tracks_client_test.py ENGINE SOURCE_DIR
Exit 0 when every check passes, 1 when one fails, 77 when a client cannot
run on this machine.
"""
import gzip
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import track_clients as tc  # noqa: E402

COMPLEMENT = str.maketrans("ACGTacgt", "TGCAtgca")
SKIP = 77


def revcomp(s):
    return s.translate(COMPLEMENT)[::-1]


class Checks:
    """Collects failures; every check says what it looked at."""

    def __init__(self):
        self.failures = []

    def expect(self, ok, what, problems=()):
        problems = list(problems)
        print("%s %s%s" % ("ok  " if ok else "FAIL", what, "" if ok else ": " + "; ".join(problems[:5])))
        if not ok:
            self.failures.append(what)

    def equal(self, have, want, what):
        self.expect(have == want, what, [] if have == want else ["have %r, want %r" % (have, want)])


def record(name, value, kind="str", comment="set by the track test"):
    return "%s\n%s\n%s\n%s\n" % (comment, kind, name, value)


def run_engine(engine, directory, function, records):
    params = os.path.join(directory, function + ".params.txt")
    with open(params, "w") as out:
        out.write("".join(record(n, v, k) for n, v, k in records))
    result = subprocess.run([engine, "--tracks", params, function], stdin=subprocess.DEVNULL,
                            capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (function, result.returncode, result.stdout[-400:]))
    return result.stdout


def read(path):
    with open(path) as f:
        return f.read()


def data_lines(path):
    """The lines of a text track without its header."""
    return [l.split("\t") for l in read(path).splitlines() if l and not l.startswith(("track", "#", "browser"))]


def sample(items, n, seed=7):
    items = list(items)
    return items if len(items) <= n else random.Random(seed).sample(items, n)


def write_fasta(path, name, letters):
    with open(path, "w") as out:
        out.write(">%s\n" % name)
        for i in range(0, len(letters), 70):
            out.write(letters[i:i + 70] + "\n")


# ------------------------------------------------------------- the checks


def check_accepted(checks, genome_fasta, paths):
    for path in paths:
        ok, problems = tc.bedtools_accepts(path, genome_fasta)
        checks.expect(ok, "bedtools sort/merge accept " + os.path.basename(path), problems)


def check_replaced_end(checks, genome_fasta, chrom, length, stem, immut, tip):
    """RandExt: every site of the report is a BED line with its read count
    on its strand, whose first immutSz letters on that strand are the
    report's; the entropy lies on the reads' first base."""
    rows = [l.split("\t") for l in read(stem + ".txt").splitlines()[1:]]
    sites = {}
    for pos, reads, entropy, strand, text, _ in rows:
        sites[(int(pos), strand)] = (int(reads), float(entropy), text[:immut].upper())
    n = immut + tip
    bed = {(int(f[1]), int(f[2]), f[5]): f[3] for f in data_lines(stem + ".bed")}
    expected, missing = [], []
    for (pos, strand), (reads, _, letters) in sites.items():
        start = pos - 1 if strand == "+" else pos - n
        pieces = [(start, start + n)] if 0 <= start and start + n <= length else None
        if pieces is None:  # over the end: two lines
            s = start % length
            pieces = [(s, length), (0, s + n - length)]
        for a, b in pieces:
            if bed.get((a, b, strand)) != str(reads):
                missing.append("%d%s as %d-%d" % (pos, strand, a, b))
        if len(pieces) == 1:
            # The immutable part: the extent's first bases on "+", its last
            # (the reads' first on the lower strand) on "-".
            a, b = pieces[0]
            expected.append((chrom, a, a + immut, strand, letters) if strand == "+"
                            else (chrom, b - immut, b, strand, letters))
    checks.expect(not missing and len(bed) >= len(sites), "%s.bed holds every site (%d)" % (os.path.basename(stem),
                  len(sites)), missing)
    ok, problems = tc.compare_getfasta(genome_fasta, sample(expected, 60))
    checks.expect(ok and expected, "getfasta -s gives the sites' letters of the report", problems)
    for strand, name in (("+", "EntropyUp"), ("-", "EntropyLw")):
        have = {int(f[1]): float(f[3]) for f in data_lines(stem + name + ".bedGraph")}
        # The reads' first base: p on "+"; on "-" the report's L - p + 1.
        want = {pos - 1: e for (pos, s), (_, e, _) in sites.items() if s == strand}
        checks.equal(have, want, "%s%s.bedGraph gives the entropy of each %s site" % (os.path.basename(stem), name,
                     strand))
    return bool(sites)


def segment_records(report_lines):
    """(strand, start, segment) of the circular report's records."""
    out = []
    for line in report_lines:
        if not line or line[0] not in "+-":
            continue
        rest = line[1:]
        start, segment = (rest[1:] if rest.startswith("\t") else rest).split("\t")
        out.append((line[0], int(start), segment))
    return out


def parted_records(report_lines):
    out, strand, start = [], None, None
    for line in report_lines:
        if line.startswith("upper strand"):
            strand = "+"
        elif line.startswith("lower strand"):
            strand = "-"
        elif re.fullmatch(r"-?\d+", line):
            start = int(line)
        elif line:
            out.append((strand, start, line))
    return out


def letters_check(checks, genome_fasta, chrom, length, records, what):
    """Each record's segment (upper-strand letters, as the reports show
    them) is what getfasta gives for its interval, and on "-" its reverse
    complement is what getfasta -s gives."""
    plain, stranded = [], []
    for strand, start, segment in records:
        a = (start - 1) % length
        if a + len(segment) > length:
            continue
        plain.append((chrom, a, a + len(segment), strand, segment))
        stranded.append((chrom, a, a + len(segment), strand, segment if strand == "+" else revcomp(segment)))
    ok, problems = tc.compare_getfasta(genome_fasta, sample(plain, 60), stranded=False)
    checks.expect(ok and plain, "getfasta gives the %s' letters of the report" % what, problems)
    ok, problems = tc.compare_getfasta(genome_fasta, sample(stranded, 60), stranded=True)
    checks.expect(ok and stranded, "getfasta -s gives the %s' letters on their strands" % what, problems)


def check_circular(checks, genome_fasta, chrom, length, report, bed_path):
    records = segment_records(read(report).splitlines())
    want = set()
    for strand, start, segment in records:
        a = (start - 1) % length
        for lo, hi in ([(a, a + len(segment))] if a + len(segment) <= length
                       else [(a, length), (0, a + len(segment) - length)]):
            want.add((lo, hi, strand))
    have = {(int(f[1]), int(f[2]), f[5]) for f in data_lines(bed_path)}
    checks.equal(have, want, os.path.basename(bed_path) + " holds each segment of the report once")
    letters_check(checks, genome_fasta, chrom, length, records, "segments")
    return bool(records)


def check_parted(checks, genome_fasta, chrom, length, report, bed_path):
    records = parted_records(read(report).splitlines())
    lines = data_lines(bed_path)
    have = {}
    for f in lines:
        have[(int(f[1]), int(f[2]), f[5], f[10])] = f[3]
    missing = []
    for strand, start, segment in records:
        a = (start - 1) % length
        tail = len(segment) - len(segment.lstrip("acgt"))
        if a + len(segment) <= length:
            key = (a, a + len(segment), strand, "%d,%d," % (tail, len(segment) - tail))
            if key not in have:
                missing.append("%s%d %s" % (strand, start, key))
    checks.expect(not missing and records, "%s has the two blocks of every placement" % os.path.basename(bed_path),
                  missing)
    letters_check(checks, genome_fasta, chrom, length, records, "placements")


def check_rating(checks, log_path, bedgraph):
    want = {}
    for line in read(log_path).split("pos\trating", 1)[1].splitlines():
        if line:
            p, r = line.split("\t")
            want[int(p) - 1] = r
    have = {}
    for f in data_lines(bedgraph):
        for p in range(int(f[1]), int(f[2])):
            have[p] = f[3]
    checks.equal(have, want, os.path.basename(bedgraph) + " gives the rating of every rated base")


def check_weights(checks, chrom, length, stem):
    for strand in ("Up", "Lw"):
        text = {}
        for line in read(stem + strand + "1.txt").splitlines():
            p, w = line.split("\t")
            if float(w) != 0.0:
                text[int(p) - 1] = float(w)
        # The text rounds to two decimals; the bigWig holds the weight.
        ok, problems = tc.compare_bigwig(stem + strand + ".bw", chrom, length, text, exact=True, tolerance=0.006)
        checks.expect(ok and text, "pyBigWig reads the %s weights of the report from %s.bw (%d positions)"
                      % (strand, os.path.basename(stem) + strand, len(text)), problems)


def check_clusters(checks, report, bed_path, length):
    want = set()
    for i, line in enumerate(read(report).splitlines()[2:]):
        start, last = int(line.split("\t")[0]), int(line.split("\t")[1])
        a, b = start - 1, last
        for lo, hi in ([(a, b)] if b <= length else [(a, length), (0, b - length)]):
            want.add((lo, hi, "cl%d" % (i + 1)))
    have = {(int(f[1]), int(f[2]), f[3]) for f in data_lines(bed_path)}
    checks.equal(have, want, os.path.basename(bed_path) + " holds the clusters of the report")
    return bool(want)


def check_repeats(checks, genome_fasta, chrom, genome, bed_path):
    """Each sampled kept repeat's letters, from getfasta, start somewhere
    else in the circular genome too."""
    lines = [f for f in data_lines(bed_path) if f[0] == chrom]
    whole = [f for f in lines if int(f[2]) - int(f[1]) == int(f[3])]
    picked = sample(whole, 40)
    letters = tc.getfasta(genome_fasta, [(chrom, int(f[1]), int(f[2]), "+") for f in picked], stranded=False)
    lonely = []
    for f, s in zip(picked, letters):
        circular = genome + genome[:len(s) - 1]
        starts, at = 0, circular.find(s.upper())
        while 0 <= at < len(genome):
            starts += 1
            at = circular.find(s.upper(), at + 1)
        if starts < 2:
            lonely.append("%s:%s-%s starts %d time(s)" % (chrom, f[1], f[2], starts))
    checks.expect(picked and not lonely, "getfasta's letters of %d kept repeats occur twice in the genome"
                  % len(picked), lonely)


def check_fasta(checks, fasta_path, read_lines, genome, coded):
    records = re.findall(r">(\d+)\n([ACGTN]*)\n", read(fasta_path))
    circular = genome + genome
    reverse = revcomp(genome)
    reverse = reverse + reverse
    bad = []
    for number, letters in records:
        line = read_lines[int(number) - 1]
        shown = "".join("ACGT"[b] if b <= 3 else "N" for b in line) if coded else line.rstrip("\r").upper()
        if shown != letters:
            bad.append("%s: %s is not line %s" % (os.path.basename(fasta_path), letters[:20], number))
        elif len(letters) >= 16 and "N" not in letters and (letters in circular or letters in reverse):
            bad.append("%s: read of line %s lies in the genome" % (os.path.basename(fasta_path), number))
    checks.expect(records and not bad, "%s: %d reads, each its line's and out of the genome"
                  % (os.path.basename(fasta_path), len(records)), bad)


# ---------------------------------------------------------------- the runs


def task_stems(task_list):
    """(stem, immutSz, mutTipSz) of every task of a task list."""
    lines = read(task_list).splitlines()
    out = []
    for line in lines[8:]:
        if line.strip():
            immut, tip, mis = line.split("\t")[:3]
            out.append(("%s_%s!%s!%s!" % (lines[6].strip().replace(".", "_"), immut, tip, mis), int(immut), int(tip)))
    return out


def example_runs(engine, source, work, checks):
    """The bundled example: every letter and coded analysis of its inputs."""
    ex = os.path.join(source, "examples")
    res = os.path.join(work, "example")
    os.makedirs(res)
    genome = read(os.path.join(ex, "genome.txt")).strip().upper()
    length = len(genome)
    fasta = os.path.join(work, "example.fa")
    write_fasta(fasta, "ex1", genome)
    g_txt, g_bin = os.path.join(ex, "genome.txt"), os.path.join(ex, "genome.bin")
    common = [("diRes", res, "dir"), ("seqName", "ex1", "str")]
    run_engine(engine, res, "RandExt", common + [
        ("pthGnm", g_txt, "file"), ("pthReads", os.path.join(ex, "reads.txt"), "file"),
        ("experimentId", "ex", "str"), ("immutSz", "20", "int"), ("mutTipSz", "6", "int"), ("misNu", "2", "int")])
    run_engine(engine, res, "RandExtTaskList", common + [
        ("pthGnm", g_txt, "file"), ("pthReads", os.path.join(ex, "reads.txt"), "file"),
        ("pthTaskList", os.path.join(ex, "TaskList.txt"), "file")])
    run_engine(engine, res, "fIdentifyCircularRna", common + [
        ("pthGnm", g_txt, "file"), ("pthReads", os.path.join(ex, "circular_reads.txt"), "file"),
        ("rMinSz", "20", "int"), ("rMaxSz", "100", "int")])
    run_engine(engine, res, "fMatchReadsT_VarSzParted", common + [
        ("pthGnm", g_bin, "file"), ("pthReads", os.path.join(ex, "parted_reads1.bin"), "file"),
        ("rMinSz", "20", "int"), ("rMaxSz", "100", "int")])
    run_engine(engine, res, "fMatchReadsT_VarSzPartedRate", common + [
        ("pthGnm", g_bin, "file"), ("diReads", ex, "dir"), ("pthList", os.path.join(ex, "PartedList.txt"), "file"),
        ("rMinSz", "20", "int"), ("rMaxSz", "100", "int")])

    beds = sorted(os.path.join(res, f) for f in os.listdir(res) if f.endswith((".bed", ".bedGraph")))
    check_accepted(checks, fasta, beds)
    check_replaced_end(checks, fasta, "ex1", length, os.path.join(res, "ex_20!6!2!"), 20, 6)
    for task in task_stems(os.path.join(ex, "TaskList.txt")):
        check_replaced_end(checks, fasta, "ex1", length, os.path.join(res, task[0]), task[1], task[2])
    check_circular(checks, fasta, "ex1", length, os.path.join(res, "circular_reads_RCircular.txt"),
                   os.path.join(res, "circular_reads_RCircular.bed"))
    stem = os.path.join(res, "parted_reads1[20-100]genome_Parted")
    check_parted(checks, fasta, "ex1", length, stem + ".txt", stem + ".bed")
    check_rating(checks, os.path.join(res, "_RatingLog.txt"), os.path.join(res, "_Rating.bedGraph"))
    # Regions for the browser: the genome's start, where planted reads of
    # RandExt and circular segments run over the end, and planted sites of
    # both strands before its end.
    return fasta, beds, ["ex1:1-300", "ex1:5600-6000"]


def phage_runs(engine, source, work, checks):
    """The bundled phage: prepared from FASTA and FASTQ, so the tracks lie
    on the FASTA record's own name; mapped, sifted, repeats measured."""
    fq = os.path.join(source, "examples", "fastq")
    res = os.path.join(work, "phage")
    os.makedirs(res)
    subprocess.run([engine, write_params(res, "fPrepGenome", [
        ("pthFasta", os.path.join(fq, "lambda_virus.fa.gz"), "file"), ("seqName", "blank", "str"),
        ("diRes", res, "dir"), ("outName", "lambda", "str"), ("outForm", "both", "str"),
        ("nonAcgt", "refuse", "str")]), "fPrepGenome"], check=True, stdin=subprocess.DEVNULL, capture_output=True)
    subprocess.run([engine, write_params(res, "fPrepReads", [
        ("pthFastq", os.path.join(fq, "sample_1.fq.gz"), "file"), ("diRes", res, "dir"), ("outName", "s1", "str"),
        ("outForm", "both", "str"), ("rMinSz", "1", "int"), ("rMaxSz", "5119", "int"),
        ("trimHeadSz", "0", "int"), ("trimTailSz", "0", "int"), ("readsWithN", "drop", "str")]), "fPrepReads"],
        check=True, stdin=subprocess.DEVNULL, capture_output=True)
    chrom, length = read(os.path.join(res, "lambda.chrom.sizes")).split()
    length = int(length)
    fasta = os.path.join(work, "lambda.fa")
    with gzip.open(os.path.join(fq, "lambda_virus.fa.gz"), "rt") as f, open(fasta, "w") as out:
        out.write(f.read())
    genome = read(os.path.join(res, "lambda.txt"))
    g_bin, r_bin = os.path.join(res, "lambda.bin"), os.path.join(res, "s1.bin")
    coded = [("diRes", res, "dir"), ("pthGnm", g_bin, "file"), ("pthReads", r_bin, "file")]
    bounds = [("rMinSz", "16", "int"), ("rMaxSz", "400", "int")]
    run_engine(engine, res, "fMatchReadsT_VarSzO", coded + bounds)
    run_engine(engine, res, "fMapReadsOneInSeq", coded)
    run_engine(engine, res, "fTestGenomeSborka", coded)
    # The two sifting analyses name their outputs alike: each is checked
    # before the other runs.
    run_engine(engine, res, "fReadsOutOfSeq", coded + bounds)
    with open(r_bin, "rb") as f:
        coded_lines = f.read().split(b"\n")
    check_fasta(checks, os.path.join(res, "s1_Outlambda.fa"), coded_lines, genome, coded=True)
    run_engine(engine, res, "fGetReadsThatOutOfSeq", [
        ("diRes", res, "dir"), ("pthGnm", os.path.join(res, "lambda.txt"), "file"),
        ("pthReads", os.path.join(res, "s1.txt"), "file")] + bounds)
    check_fasta(checks, os.path.join(res, "s1_Outlambda.fa"), read(os.path.join(res, "s1.txt")).split("\n"),
                genome, coded=False)

    beds = sorted(os.path.join(res, f) for f in os.listdir(res) if f.endswith((".bed", ".bedGraph")))
    bigwigs = sorted(os.path.join(res, f) for f in os.listdir(res) if f.endswith(".bw"))
    check_accepted(checks, fasta, beds)
    for path in bigwigs:
        ok, problems = tc.bigwig_accepts(path, fasta)
        checks.expect(ok, "pyBigWig opens %s on %s" % (os.path.basename(path), chrom), problems)
    check_weights(checks, chrom, length, os.path.join(res, "s1[16-400]lambda_"))
    check_clusters(checks, os.path.join(res, "s1[One]lambda_Clust.txt"), os.path.join(res, "s1[One]lambda_Clust.bed"),
                   length)
    check_repeats(checks, fasta, chrom, genome, os.path.join(res, "RepTest_lambda.bed"))
    weights = [p for p in bigwigs if "[16-400]" in p]
    return fasta, [p for p in beds if "RepTest" in p or "Clust" in p] + weights, ["%s:1-48502" % chrom,
                                                                                     "%s:1100-1300" % chrom]


def write_params(directory, function, records):
    path = os.path.join(directory, function + ".params.txt")
    with open(path, "w") as out:
        out.write("".join(record(n, v, k) for n, v, k in records))
    return path


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    tc.reexec_for_pybigwig()
    engine, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    reason = tc.ensure_clients()
    if reason:
        print("skipped: " + reason)
        return SKIP
    work = tempfile.mkdtemp(prefix="ruz_tracks_")
    checks = Checks()
    try:
        browsed = [example_runs(engine, source, work, checks), phage_runs(engine, source, work, checks)]
        for n, (fasta, tracks, regions) in enumerate(browsed):
            ok, problems, shots = tc.igv_check(fasta, tracks, regions, os.path.join(work, "igv%d" % n))
            checks.expect(ok, "IGV loads %s and %d tracks and draws them (%s)"
                          % (os.path.basename(fasta), len(tracks), ", ".join(regions)), problems)
    except tc.ClientUnavailable as e:
        print("skipped: %s" % e)
        return SKIP
    finally:
        if checks.failures or os.environ.get("RUZ_KEEP_TRACK_TEST"):
            print("outputs kept in " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
    print("%d checks failed" % len(checks.failures) if checks.failures else "every check passed")
    return 1 if checks.failures else 0


if __name__ == "__main__":
    sys.exit(main())
