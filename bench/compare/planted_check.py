#!/usr/bin/env python3
"""Checks the runs of bench/compare.sh on a sample of its planted reads
against places found without the engine.

  planted_check.py FOLDER RESULTS [SAMPLE]

FOLDER holds the inputs make_inputs.py wrote (genome.txt, reads.txt, and
readsMany.bin once fMapReadsOneInSeq ran), RESULTS the result folder of the
runs. The first SAMPLE reads of reads.txt (default 400; 70 % of them are
taken from the genome) are looked for in the genome and its reverse
complement by grep's fixed-string search, the genome's end joined to its
start (grep passes over a match that overlaps an earlier one: two sampled
reads overlapping in a random genome of these sizes are too rare to
matter). Then, for each analysis whose results are there:

  fMapReadsOneInSeq    a read found once on the upper strand at p lies in a
                       cluster [start, last] with start <= p and
                       p + length - 1 <= last; a read found twice or more is
                       among the reads of readsMany.bin
  fMatchReadsT_VarSzO  every place on the upper strand, and every place of
                       the reverse complement (numbered by its first base
                       on the upper strand), has a weight above 0 in the
                       strand's report

Prints what it checked and exits with 1 when anything disagrees, 2 when
there is nothing to check."""
import bisect
import glob
import os
import subprocess
import sys
import tempfile

POSITIONS_PER_FILE = 1_000_000
COMPLEMENT = bytes.maketrans(b"ACGT", b"TGCA")
CODE_OF_LETTER = bytes.maketrans(b"ACGT", b"\x00\x01\x02\x03")


def sample_reads(path, count):
    reads = []
    with open(path, "rb") as f:
        for line in f:
            read = line.rstrip(b"\r\n")
            if read:
                reads.append(read)
            if len(reads) == count:
                break
    return reads


# The genome goes to grep in lines of this many places, each carrying the
# next longest - 1 bases too: grep is slow on one line of gigabytes.
LINE_PLACES = 1 << 20


def places(genome_path, patterns, longest):
    """1-based upper-strand places of every pattern, round the end too."""
    found = {p: [] for p in patterns}
    with open(genome_path, "rb") as f:
        genome = f.read()
    length = len(genome)
    joined = genome + genome[:longest - 1]
    with tempfile.NamedTemporaryFile("wb", suffix=".txt") as listed:
        listed.write(b"\n".join(patterns) + b"\n")
        listed.flush()
        # grep's output goes to a file, read once its input is closed.
        out = tempfile.TemporaryFile()
        grep = subprocess.Popen(["grep", "-n", "-b", "-o", "-F", "-f", listed.name], stdin=subprocess.PIPE,
                                stdout=out)
        starts = []
        offset = 0
        for start in range(0, length, LINE_PLACES):
            line = joined[start:start + LINE_PLACES + longest - 1] + b"\n"
            starts.append((offset, start))
            grep.stdin.write(line)
            offset += len(line)
        grep.stdin.close()
        grep.wait()
        out.seek(0)
        lines = out.read().splitlines()
    for line in lines:
        number, _, rest = line.partition(b":")
        at, _, text = rest.partition(b":")
        line_offset, start = starts[int(number) - 1]
        within = int(at) - line_offset
        # A shorter read near a line's end is found in the next line too.
        if within < LINE_PLACES and start + within < length:
            found[text].append(start + within + 1)
    return found


def check_clusters(results, reads, upper, many_path):
    logs = glob.glob(os.path.join(results, "*[[]One[]]*_Clust.txt"))
    if not logs or not os.path.exists(many_path):
        return None
    starts, lasts = [], []
    with open(logs[0], "rb") as f:
        for line in f:
            fields = line.split(b"\t")
            if len(fields) >= 3 and fields[0].isdigit():
                starts.append(int(fields[0]))
                lasts.append(int(fields[1]))
    with open(many_path, "rb") as f:
        many = set(line.rstrip(b"\n") for line in f)
    once = several = 0
    wrong = []
    for read in reads:
        at = upper[read]
        if len(at) == 1:
            once += 1
            p = at[0]
            i = bisect.bisect_right(starts, p) - 1
            if i < 0 or lasts[i] < p + len(read) - 1:
                wrong.append(f"read {read.decode()} found once at {p} lies in no cluster")
        elif len(at) > 1:
            several += 1
            if read.translate(CODE_OF_LETTER) not in many:
                wrong.append(f"read {read.decode()} found {len(at)} times is not in {many_path}")
    return f"fMapReadsOneInSeq: {once} reads found once, {several} found more often", wrong


def weight_at(stem, strand, p, cache):
    name = f"{stem}{strand}{(p - 1) // POSITIONS_PER_FILE + 1}.txt"
    if name not in cache:
        with open(name, "rb") as f:
            cache.clear()  # one report file at a time: they hold 1 M lines each
            cache[name] = f.read().split(b"\n")
    lines = cache[name]
    fields = lines[(p - 1) % POSITIONS_PER_FILE].split(b"\t")
    if int(fields[0]) != p:
        raise ValueError(f"{name}: line for {p} reads {fields[0].decode()}")
    return float(fields[1])


def check_weights(results, reads, upper, lower):
    logs = glob.glob(os.path.join(results, "*_Log.txt"))
    stems = [log[:-len("Log.txt")] for log in logs if os.path.exists(log[:-len("Log.txt")] + "Up1.txt")]
    if not stems:
        return None
    wanted = sorted({("Up", p) for r in reads for p in upper[r]} | {("Lw", p) for r in reads for p in lower[r]},
                    key=lambda sp: (sp[0], sp[1]))
    wrong = []
    cache = {}
    for strand, p in wanted:
        if weight_at(stems[0], strand, p, cache) <= 0:
            wrong.append(f"{strand} weight at {p} is 0 though a sampled read lies there")
    return f"fMatchReadsT_VarSzO: {len(wanted)} places of sampled reads on both strands", wrong


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    folder, results = sys.argv[1], sys.argv[2]
    count = int(sys.argv[3]) if len(sys.argv) == 4 else 400
    genome = os.path.join(folder, "genome.txt")
    reads = sample_reads(os.path.join(folder, "reads.txt"), count)
    reverse = {r: r.translate(COMPLEMENT)[::-1] for r in reads}
    patterns = sorted(set(reads) | set(reverse.values()))
    found = places(genome, patterns, max(len(r) for r in reads))
    upper = {r: found[r] for r in reads}
    lower = {r: found[reverse[r]] for r in reads}
    print(f"{len(reads)} reads sampled: {sum(1 for r in reads if upper[r] or lower[r])} lie in the genome")
    checks = [c for c in (check_clusters(results, reads, upper, os.path.join(folder, "readsMany.bin")),
                          check_weights(results, reads, upper, lower)) if c]
    if not checks:
        print(f"nothing to check in {results}")
        return 2
    failed = False
    for what, wrong in checks:
        print(f"{what}: {'agrees' if not wrong else f'{len(wrong)} disagreements'}")
        for w in wrong[:20]:
            print("  " + w)
        failed |= bool(wrong)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
