#!/usr/bin/env python3
"""Self-test of track_clients.py against the real clients.

Writes a small genome with planted letters and hand-made tracks whose
contents are known (BED6 with a track line and a feature split at the
origin, BED12 of two blocks, bedGraph with a `track type=bedGraph` line, a
bigWig written through pyBigWig) into a temporary directory, runs every
function of the module on them, and for each check a case that must fail:
a line past the sequence's end, a wrong letter, a wrong weight, a broken
track for IGV, and so on.

    python3 tests/tracks/track_clients_selftest.py [--keep DIR]

Exit code 0: every check behaved; 1: one did not; 77: a client cannot run
here (missing and not installable), with the reason printed.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import track_clients as tc  # noqa: E402

NAME = "plant"
LENGTH = 3000
# Planted letters: (0-based start, letters), all on the upper strand.
PLANTED = [(200, "GATTACAGATTA"), (900, "CCGGAATTCCGA"), (2990, "TTTTTAAAAA"), (0, "CCCCGG")]
BIGWIG_WEIGHTS = {**{p: 3.0 for p in range(500, 510)}, **{p: 7.5 for p in range(520, 525)}}
REGIONS = ["%s:150-1000" % NAME, "%s:1150-1750" % NAME, "%s:2961-3000" % NAME]
BLANK_REGIONS = ["%s:1800-2900" % NAME, "%s:2800-2985" % NAME]

failures = []


def check(what, condition, detail=""):
    print("%s %s%s" % ("ok  " if condition else "FAIL", what, (": %s" % detail) if detail and not condition else ""))
    if not condition:
        failures.append(what)


def reverse_complement(letters):
    return letters.translate(str.maketrans("ACGTacgt", "TGCAtgca"))[::-1]


def write(path, text):
    with open(path, "w") as f:
        f.write(text)
    return path


def make_genome(directory):
    rng = random.Random(7)
    letters = [rng.choice("ACGT") for _ in range(LENGTH)]
    for start, planted in PLANTED:
        letters[start:start + len(planted)] = planted
    sequence = "".join(letters)
    lines = [sequence[i:i + 70] for i in range(0, LENGTH, 70)]
    return write(os.path.join(directory, "plant.fa"), ">%s planted test genome\n%s\n" % (NAME, "\n".join(lines))), sequence


def make_tracks(directory):
    """The good tracks, each lying inside the genome."""
    os.makedirs(directory)
    tracks = {}
    tracks["bed6"] = write(os.path.join(directory, "sites.bed"),
                           'track name="sites" description="planted sites"\n'
                           "%s\t0\t6\to1\t300\t+\n"
                           "%s\t200\t212\tm1\t1000\t+\n"
                           "%s\t900\t912\tm2\t500\t-\n"
                           "%s\t2990\t3000\to1\t300\t+\n" % (NAME, NAME, NAME, NAME))
    tracks["bed12"] = write(os.path.join(directory, "blocks.bed"),
                            'track name="blocks" description="two blocks"\n'
                            "%s\t1200\t1700\tb1\t800\t-\t1200\t1700\t0\t2\t100,150,\t0,350,\n" % NAME)
    tracks["bedgraph"] = write(os.path.join(directory, "weights.bedGraph"),
                               'track type=bedGraph name="weights" description="planted weights"\n'
                               "%s\t300\t310\t2.5\n%s\t310\t320\t4\n" % (NAME, NAME))
    tracks["bigwig"] = os.path.join(directory, "weights.bw")
    write_bigwig(tracks["bigwig"], [(NAME, LENGTH)], BIGWIG_WEIGHTS)
    return tracks


def write_bigwig(path, chroms, weights, chrom=NAME):
    """A bigWig of weights {position: value}; adjacent positions of one
    value become one interval."""
    runs = []
    for p in sorted(weights):
        if runs and runs[-1][1] == p and runs[-1][2] == weights[p]:
            runs[-1][1] = p + 1
        else:
            runs.append([p, p + 1, weights[p]])
    pbw = tc._pybigwig()
    bw = pbw.open(path, "w")
    bw.addHeader(chroms)
    bw.addEntries([chrom] * len(runs), [r[0] for r in runs], ends=[r[1] for r in runs],
                  values=[float(r[2]) for r in runs])
    bw.close()


def test_genome(genome, sequence, directory):
    entries = tc.faidx_entries(genome)
    check("faidx_entries gives name, length, offset and line sizes",
          entries == [(NAME, LENGTH, len(">%s planted test genome\n" % NAME), 70, 71)], entries)
    check("sequence_lengths", tc.sequence_lengths(genome) == {NAME: LENGTH})
    check("read_fasta", tc.read_fasta(genome) == {NAME: sequence})
    fai = os.path.join(directory, "copy.fai")
    tc.write_fai(genome, fai)
    with open(fai) as f:
        check("write_fai writes the index line", f.read() == "%s\t%d\t%d\t70\t71\n" % (NAME, LENGTH, entries[0][2]))
    lengths = tc.sequence_lengths(genome)
    check("parse_region reads name:first-last", tc.parse_region("%s:1,001-2,000" % NAME, lengths) == (NAME, 1001, 2000))
    for bad in ("%s:0-10" % NAME, "%s:10-3001" % NAME, "chrX:1-10", "%s:20-10" % NAME, NAME):
        try:
            tc.parse_region(bad, lengths)
            check("parse_region refuses %s" % bad, False, "no error")
        except ValueError:
            check("parse_region refuses %s" % bad, True)
    uneven = write(os.path.join(directory, "uneven.fa"), ">u\nACGT\nACGTACGT\nAC\n")
    try:
        tc.faidx_entries(uneven)
        check("faidx_entries refuses lines of unequal length", False, "no error")
    except ValueError as e:
        check("faidx_entries refuses lines of unequal length", "unequal" in str(e), e)


def test_bedtools(genome, tracks, directory):
    # bedtools itself, on a file with a leading track line: 2.30 reads it.
    raw = subprocess.run(["bedtools", "sort", "-i", tracks["bed6"]], capture_output=True, text=True)
    check("bedtools sort reads a leading track line", raw.returncode == 0 and "track" not in raw.stdout,
          raw.stderr.strip())
    for kind in ("bed6", "bed12", "bedgraph"):
        ok, problems = tc.bedtools_accepts(tracks[kind], genome)
        check("bedtools_accepts %s" % os.path.basename(tracks[kind]), ok, problems)

    bad = os.path.join(directory, "bad_text")
    os.makedirs(bad)
    cases = {
        "past_end.bed": ("%s\t2990\t3010\tp\t0\t+\n" % NAME, "past the length"),
        "wrong_name.bed": ("chr1\t10\t20\tw\t0\t+\n", "not in the genome"),
        "reversed.bed": ("%s\t20\t10\tr\t0\t+\n" % NAME, "bedtools sort failed"),
        "not_numbers.bed": ("%s\tten\t20\tn\t0\t+\n" % NAME, "bedtools sort failed"),
        "bad_blocks.bed": ("%s\t1200\t1700\tb\t0\t-\t1200\t1700\t0\t2\t100,150,\t0,300,\n" % NAME, "last block"),
        "bad_score.bed": ("%s\t10\t20\ts\t1001\t+\n" % NAME, "score"),
        "overlap.bedGraph": ("track type=bedGraph\n%s\t10\t20\t1\n%s\t15\t25\t2\n" % (NAME, NAME), "overlap"),
        "untyped.bedGraph": ('track name="w"\n%s\t10\t20\t1\n' % NAME, "type=bedGraph"),
    }
    for name, (text, expected) in cases.items():
        ok, problems = tc.bedtools_accepts(write(os.path.join(bad, name), text), genome)
        check("bedtools_accepts refuses %s" % name, not ok and any(expected in p for p in problems), problems)
    ok, problems = tc.own_bound_check(os.path.join(bad, "past_end.bed"), genome)
    check("own_bound_check refuses an end past the sequence", not ok, problems)


def test_getfasta(genome, sequence):
    m1, m2 = PLANTED[0], PLANTED[1]
    intervals = [(NAME, m1[0], m1[0] + 12, "+"), (NAME, m2[0], m2[0] + 12, "-"),
                 (NAME, 2990, 3000, "+"), (NAME, 0, 6, "-")]
    letters = tc.getfasta(genome, intervals, stranded=True)
    want = [m1[1], reverse_complement(m2[1]), "TTTTTAAAAA", reverse_complement("CCCCGG")]
    check("getfasta -s gives the planted letters in order", letters == want, "%s != %s" % (letters, want))
    letters = tc.getfasta(genome, intervals, stranded=False)
    check("getfasta without -s gives the upper strand", letters == [sequence[a:b] for _, a, b, _ in intervals],
          letters)
    expected = [iv + (w,) for iv, w in zip(intervals, want)]
    ok, problems = tc.compare_getfasta(genome, expected)
    check("compare_getfasta accepts the right letters", ok, problems)
    # The fourth letter of the second interval changed.
    wrong = list(expected)
    letters = expected[1][4]
    wrong[1] = expected[1][:4] + (letters[:3] + ("A" if letters[3] != "A" else "C") + letters[4:],)
    ok, problems = tc.compare_getfasta(genome, wrong)
    check("compare_getfasta refuses a wrong letter", not ok and len(problems) == 1, problems)
    ok, problems = tc.compare_getfasta(genome, [(NAME, 2995, 3005, "+", "AAAAAAAAAA")])
    check("compare_getfasta refuses an interval past the end", not ok and "gave 0 of 1" in problems[0], problems)


def test_bigwig(genome, tracks, directory):
    bw = tracks["bigwig"]
    chroms, values = tc.bigwig_values(bw, NAME, [499, 500, 509, 510, 522, 2999])
    check("bigwig_values gives the header's sequences", chroms == {NAME: LENGTH}, chroms)
    check("bigwig_values gives values and None", values == [None, 3.0, 3.0, None, 7.5, None], values)
    ok, problems = tc.compare_bigwig(bw, NAME, LENGTH, BIGWIG_WEIGHTS)
    check("compare_bigwig accepts the written weights", ok, problems)
    wrong = dict(BIGWIG_WEIGHTS)
    wrong[522] = 7.0
    ok, problems = tc.compare_bigwig(bw, NAME, LENGTH, wrong)
    check("compare_bigwig refuses a wrong weight", not ok and any("522" in p for p in problems), problems)
    fewer = {p: v for p, v in BIGWIG_WEIGHTS.items() if p != 505}
    ok, problems = tc.compare_bigwig(bw, NAME, LENGTH, fewer)
    check("compare_bigwig refuses a weight not expected", not ok and any("without one expected" in p for p in problems),
          problems)
    ok, problems = tc.compare_bigwig(bw, NAME, LENGTH - 1, BIGWIG_WEIGHTS)
    check("compare_bigwig refuses a wrong length", not ok and any("header" in p for p in problems), problems)
    ok, problems = tc.bigwig_accepts(bw, genome)
    check("bigwig_accepts the written bigWig", ok, problems)

    bad = os.path.join(directory, "bad_bigwig")
    os.makedirs(bad)
    other = os.path.join(bad, "other_name.bw")
    write_bigwig(other, [("chrX", LENGTH)], {10: 1.0}, chrom="chrX")
    ok, problems = tc.bigwig_accepts(other, genome)
    check("bigwig_accepts refuses a sequence not in the genome", not ok, problems)
    longer = os.path.join(bad, "longer.bw")
    write_bigwig(longer, [(NAME, LENGTH + 5)], {10: 1.0})
    ok, problems = tc.bigwig_accepts(longer, genome)
    check("bigwig_accepts refuses a wrong length", not ok, problems)
    broken = os.path.join(bad, "broken.bw")
    with open(bw, "rb") as f:
        data = f.read()
    with open(broken, "wb") as f:
        f.write(b"\0" * 64 + data[64:])
    ok, problems = tc.bigwig_accepts(broken, genome)
    check("bigwig_accepts refuses a broken file", not ok, problems)
    try:
        tc.bigwig_values(broken, NAME, [500])
        check("bigwig_values raises on a broken file", False, "no error")
    except RuntimeError:
        check("bigwig_values raises on a broken file", True)


def test_log_filter():
    log = "\n".join([
        "INFO [Jan 01,2026 10:00] [Main] Startup  IGV Version",
        "SEVERE [Jan 01,2026 10:00] [OAuthUtils] Error fetching oAuth properties",
        "SEVERE [Jan 01,2026 10:00] [OAuthUtils] java.net.UnknownHostException: s3.amazonaws.com",
        "\tat java.base/java.net.InetAddress.getAllByName(InetAddress.java:1)",
        "SEVERE [Jan 01,2026 10:00] [GenomeListManager] Error fetching genome list: ",
        "SEVERE [Jan 01,2026 10:00] [GenomeListManager] java.net.UnknownHostException: igv.org",
        "SEVERE [Jan 01,2026 10:00] [GenomeListManager] java.io.IOException: genome list unreadable",
        "INFO [Jan 01,2026 10:00] [TrackLoader] Loading resource:  /x/a.bed",
        "SEVERE [Jan 01,2026 10:00] [TrackLoader] Error parsing /x/a.bed",
        "Caused by: java.lang.NumberFormatException: For input string: \"x\"",
        "WARNING [Jan 01,2026 10:00] [BatchRunner] load /x/b.bed => Error: /x/b.bed does not exist.",
    ])
    found = tc.igv_log_problems(log)
    check("igv_log_problems passes over only the network lookups",
          len(found) == 3 and "IOException" in found[0] and "NumberFormatException" in found[1]
          and "does not exist" in found[2], found)
    attributed = tc._attribute_log(log, {"/x/a.bed": "a.bed", "/x/b.bed": "b.bed"})
    check("IGV problems are led by their file",
          [p.split(":")[0] for p in attributed] == ["igv", "a.bed", "b.bed"], attributed)


def test_png(directory, snapshot):
    not_png = write(os.path.join(directory, "not.png"), "plain text")
    try:
        tc.read_png(not_png)
        check("read_png refuses a text file", False, "no error")
    except tc.PngError:
        check("read_png refuses a text file", True)
    if snapshot is None or not os.path.exists(snapshot):
        check("read_png reads an IGV snapshot", False, "no snapshot")
        return
    width, height, channels, rows = tc.read_png(snapshot)
    check("read_png reads an IGV snapshot", width > 400 and height > 100 and len(rows) == height,
          (width, height, channels))
    with open(snapshot, "rb") as f:
        data = bytearray(f.read())
    data[len(data) // 2] ^= 0xFF
    damaged = os.path.join(directory, "damaged.png")
    with open(damaged, "wb") as f:
        f.write(data)
    try:
        tc.read_png(damaged)
        check("read_png refuses a damaged snapshot", False, "no error")
    except tc.PngError:
        check("read_png refuses a damaged snapshot", True)


def test_igv(genome, tracks, directory, timings):
    paths = [tracks[k] for k in ("bed6", "bed12", "bedgraph", "bigwig")]
    out = os.path.join(directory, "igv_good")
    ok, problems, snapshots = tc.igv_check(genome, paths, REGIONS, out, blank_regions=BLANK_REGIONS)
    timings.append(tc.last_igv_seconds)
    check("igv_check accepts the good tracks (%.1f s)" % tc.last_igv_seconds, ok, problems)
    check("igv_check gives one snapshot a region", len(snapshots) == len(REGIONS) + len(BLANK_REGIONS)
          and all(os.path.exists(s) for s in snapshots), snapshots)
    check("the IGV run left no process", _group_gone(tc.last_igv_group))
    first_snapshot = snapshots[0] if snapshots else None

    # A track IGV cannot parse, one on a sequence the genome lacks (IGV
    # loads it silently, it draws nothing), and a blank region where a
    # track does have features.
    bad = os.path.join(directory, "igv_bad_tracks")
    os.makedirs(bad)
    broken = write(os.path.join(bad, "broken.bed"), 'track name="broken"\n%s\t2x0\t212\tm1\t1000\t+\n' % NAME)
    elsewhere = write(os.path.join(bad, "elsewhere.bed"), "chrX\t200\t212\tm1\t1000\t+\n")
    out = os.path.join(directory, "igv_bad")
    ok, problems, _ = tc.igv_check(genome, [tracks["bed6"], broken, elsewhere], REGIONS, out,
                                   blank_regions=["%s:150-400" % NAME])
    timings.append(tc.last_igv_seconds)
    check("igv_check fails on bad tracks", not ok, problems)
    check("igv_check reports IGV's error on the broken track",
          any(p.startswith(broken + ": SEVERE") for p in problems), problems)
    check("igv_check reports the missing features of a track on another sequence",
          any(p.startswith(elsewhere + ":") and "no feature shown" in p for p in problems), problems)
    check("igv_check reports features drawn in a blank region",
          any(p.startswith(tracks["bed6"] + ":") and "blank region" in p for p in problems), problems)
    check("igv_check adds no problem for the good track in its regions",
          not any(p.startswith(tracks["bed6"] + ":") and "blank region" not in p for p in problems), problems)

    # A run that cannot finish in time is killed with all it started.
    out = os.path.join(directory, "igv_timeout")
    started = time.time()
    ok, problems, _ = tc.igv_check(genome, paths, REGIONS, out, timeout=1)
    check("igv_check reports a run over its time", not ok and any("no exit within" in p for p in problems), problems)
    check("a killed IGV run leaves no process", _group_gone(tc.last_igv_group))
    check("a killed IGV run ends soon", time.time() - started < 30, time.time() - started)
    return first_snapshot


def _group_gone(group):
    if group is None:
        return False
    try:
        os.killpg(group, 0)
        return False
    except ProcessLookupError:
        return True


def test_cli(genome, tracks, directory, timings):
    script = os.path.join(HERE, "track_clients.py")
    good_dir = os.path.dirname(tracks["bed6"])
    command = [sys.executable, script, "check", "--genome", genome, "--tracks", good_dir]
    for r in REGIONS:
        command += ["--region", r]
    for r in BLANK_REGIONS:
        command += ["--blank-region", r]
    result = subprocess.run(command, capture_output=True, text=True)
    lines = result.stdout.splitlines()
    check("the CLI accepts the good directory", result.returncode == 0, result.stdout + result.stderr)
    check("the CLI prints one verdict a file and one for IGV",
          sum(1 for l in lines if l.startswith("OK  ")) == 5, result.stdout)

    bad_dir = os.path.join(directory, "cli_bad")
    shutil.copytree(good_dir, bad_dir)
    write(os.path.join(bad_dir, "broken.bedGraph"), "track type=bedGraph\n%s\t10\t20\tmany\n" % NAME)
    command[command.index(good_dir)] = bad_dir
    result = subprocess.run(command, capture_output=True, text=True)
    check("the CLI refuses a directory with a broken file", result.returncode == 1, result.stdout + result.stderr)
    check("the CLI names the broken file", any(l.startswith("FAIL broken.bedGraph") for l in result.stdout.splitlines())
          and sum(1 for l in result.stdout.splitlines() if l.startswith("OK  ")) == 5, result.stdout)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--keep", help="write into this directory and keep it")
    args = parser.parse_args()
    reason = tc.ensure_clients()
    if reason:
        tc.reexec_for_pybigwig()  # installed now, perhaps for Debian's python3 only
        print("skipped: %s" % reason)
        return 77
    if args.keep:
        directory = os.path.abspath(args.keep)
        if os.path.exists(directory):
            shutil.rmtree(directory)
        os.makedirs(directory)
    else:
        directory = tempfile.mkdtemp(prefix="track_clients_selftest_")
    timings = []
    try:
        genome, sequence = make_genome(directory)
        tracks = make_tracks(os.path.join(directory, "tracks"))
        test_genome(genome, sequence, directory)
        test_bedtools(genome, tracks, directory)
        test_getfasta(genome, sequence)
        test_bigwig(genome, tracks, directory)
        test_log_filter()
        snapshot = test_igv(genome, tracks, directory, timings)
        test_png(directory, snapshot)
        test_cli(genome, tracks, directory, timings)
    except tc.ClientUnavailable as e:
        print("skipped: %s" % e)
        return 77
    finally:
        if not args.keep:
            shutil.rmtree(directory, ignore_errors=True)
    if timings:
        print("IGV runs took %s s" % ", ".join("%.1f" % t for t in timings))
    if failures:
        print("%d checks failed: %s" % (len(failures), "; ".join(failures)))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    tc.reexec_for_pybigwig()
    sys.exit(main())
