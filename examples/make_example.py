#!/usr/bin/env python3
"""Writes the bundled example: a letter genome, a reads file with planted
replaced-end reads on both strands, and the parameter files and task list
that run RandExt and RandExtTaskList on them; then the genome in coded form,
reads with planted circular and parted reads (letters and codes, two
samples), the list of the coded samples, and the parameter files that run
fIdentifyCircularRna, fMatchReadsT_VarSzParted and
fMatchReadsT_VarSzPartedRate on them. Deterministic: running it again gives
the same files."""
import random

rng = random.Random(20261207)
BASES = "ACGT"
COMPLEMENT = str.maketrans("ACGTacgt", "TGCAtgca")

IMMUT, TIP = 20, 6
GENOME_LENGTH = 6000


def revcomp(s):
    return s.translate(COMPLEMENT)[::-1]


def random_bases(n):
    return "".join(rng.choice(BASES) for _ in range(n))


def replaced_tip(genome_tip):
    """A tip differing from the genome in at least 3 of its 6 letters and not
    one repeated letter."""
    while True:
        tip = random_bases(TIP)
        if sum(a != b for a, b in zip(tip, genome_tip)) >= 3 and len(set(tip)) > 1:
            return tip


genome = random_bases(GENOME_LENGTH)
circular = genome + genome[: IMMUT + TIP]
lower = revcomp(genome)
lower_circular = lower + lower[: IMMUT + TIP]

reads = []
# Occupied sites on the upper strand: several reads share an immutable part
# and carry a few different replaced tips.
for start in (101, 777, 2500, 4100):
    s = circular[start - 1 : start - 1 + IMMUT + TIP]
    tips = [replaced_tip(s[IMMUT:]) for _ in range(3)]
    for k in range(7):
        reads.append(s[:IMMUT] + tips[k % len(tips)])
# A site whose reads cross the genome's end (circular genome).
start = GENOME_LENGTH - 9
s = circular[start - 1 : start - 1 + IMMUT + TIP]
tip = replaced_tip(s[IMMUT:])
reads += [s[:IMMUT] + tip, s[:IMMUT] + tip, s[:IMMUT] + replaced_tip(s[IMMUT:])]
# Occupied sites on the lower strand.
for start in (300, 3333):
    s = lower_circular[start - 1 : start - 1 + IMMUT + TIP]
    tips = [replaced_tip(s[IMMUT:]) for _ in range(2)]
    for k in range(5):
        reads.append(s[:IMMUT] + tips[k % 2])
# Reads that match the genome whole: their tips have no mismatch.
for start in (1500, 1501):
    reads.append(circular[start - 1 : start - 1 + IMMUT + TIP])
# Long tracks, a read with an N, lowercase letters, reads of another size,
# and random reads that land nowhere.
reads.append(circular[999:1019] + "AAAAAA")
reads.append(circular[2000:2010] + "N" + circular[2011:2020] + "ACGTAC")
s = circular[4099 : 4099 + IMMUT]
reads.append(s.lower() + replaced_tip(circular[4119:4125]).lower())
reads.append(random_bases(30))
reads.append(random_bases(18))
reads += [random_bases(IMMUT + TIP) for _ in range(20)]
rng.shuffle(reads)

with open("genome.txt", "w", newline="") as f:
    f.write(genome)
with open("reads.txt", "w", newline="") as f:
    f.write("\n".join(reads) + "\n")


def record(comment, kind, name, value):
    return f"{comment}\n{kind}\n{name}\n{value}\n"


with open("RandExt.txt", "w", newline="") as f:
    f.write(record("genome file (letters A, C, G, T only)", "file", "pthGnm", "examples/genome.txt"))
    f.write(record("reads file (one read per line)", "file", "pthReads", "examples/reads.txt"))
    f.write(record("result directory", "dir", "diRes", "results/example"))
    f.write(record("experiment identifier (blank: name after the reads file)", "str", "experimentId", "example.1"))
    f.write(record("immutable part: letters that must match the genome", "int", "immutSz", str(IMMUT)))
    f.write(record("mutable tip: letters that follow", "int", "mutTipSz", str(TIP)))
    f.write(record("least number of mismatches in the tip", "int", "misNu", "2"))

with open("RandExtTaskList.txt", "w", newline="") as f:
    f.write(record("genome file (letters A, C, G, T only)", "file", "pthGnm", "examples/genome.txt"))
    f.write(record("reads file (one read per line)", "file", "pthReads", "examples/reads.txt"))
    f.write(record("result directory", "dir", "diRes", "results/example"))
    f.write(record("task list", "file", "pthTaskList", "examples/TaskList.txt"))

with open("TaskList.txt", "w", newline="") as f:
    f.write("Task list of the bundled example\n")
    f.write("lines 1 to 6 are free text\n\n\n\n\n")
    f.write("example.tasks\n")
    f.write("immutSz\tmutTipSz\tmisNu\n")
    f.write("20\t6\t2\n20\t6\t4\n18\t8\t3\n")


# ---------------------------------------------------------------------------
# Circular and parted reads over the same genome (fIdentifyCircularRna,
# fMatchReadsT_VarSzParted, fMatchReadsT_VarSzPartedRate). A read X+Y whose
# parts lie in the genome as Y right before X is a circular permutation of
# the segment Y+X, and a parted read: its head X lies at a position p, its
# tail Y just before p. Its own random source, so the files above stay as
# they are.
crng = random.Random(20260115)
READ = 40
CODE = {"A": 0, "C": 1, "G": 2, "T": 3}


def coded(letters):
    return bytes(CODE[c] for c in letters)


def rotation(start, cut):
    """The segment of READ bases at 1-based start (wrapping round the genome's
    end), cut after `cut` bases and written second part first."""
    seg = "".join(genome[(start - 1 + k) % GENOME_LENGTH] for k in range(READ))
    return seg[cut:] + seg[:cut]


def sample(junctions, extra):
    reads = []
    for start, cut, strand, copies in junctions:
        read = rotation(start, cut)
        reads += [read if strand == "+" else revcomp(read)] * copies
    # Reads found whole on either strand, and random reads found nowhere.
    for _ in range(extra):
        start = crng.randrange(GENOME_LENGTH - READ)
        read = genome[start : start + READ]
        reads.append(read if crng.random() < 0.5 else revcomp(read))
        reads.append("".join(crng.choice(BASES) for _ in range(READ)))
    crng.shuffle(reads)
    return reads


# Sample 1: junctions at 1201 (+, two reads), 2503 (+), 4402 (-), and one
# across the genome's start (segment from position 5991, 10 bases before the
# end).
sample1 = sample([(1201, 15, "+", 2), (2503, 24, "+", 1), (4402, 18, "-", 1), (5991, 22, "+", 1)], 6)
# Sample 2 shares the junctions at 1201 and 4402 and adds one at 3001 (-).
sample2 = sample([(1201, 26, "+", 1), (4402, 18, "-", 2), (3001, 14, "-", 1)], 6)

with open("circular_reads.txt", "w", newline="") as f:
    f.write("\n".join(sample1 + ["ACGTNACGTACGTACGTACGTACGTACGTACGTACGTACG"]) + "\n")
with open("genome.bin", "wb") as f:
    f.write(coded(genome))
with open("parted_reads1.bin", "wb") as f:
    f.write(b"".join(coded(r) + b"\n" for r in sample1))
with open("parted_reads2.bin", "wb") as f:
    f.write(b"".join(coded(r) + b"\n" for r in sample2))
with open("PartedList.txt", "w", newline="") as f:
    f.write("parted_reads1.bin\nparted_reads2.bin\n")

with open("fIdentifyCircularRna.txt", "w", newline="") as f:
    f.write(record("result directory", "dir", "diRes", "results/example"))
    f.write(record("genome file (letters A, C, G, T only)", "file", "pthGnm", "examples/genome.txt"))
    f.write(record("reads file (one read per line)", "file", "pthReads", "examples/circular_reads.txt"))
    f.write(record("smallest read size analysed", "int", "rMinSz", "20"))
    f.write(record("largest read size analysed", "int", "rMaxSz", "100"))

with open("fMatchReadsT_VarSzParted.txt", "w", newline="") as f:
    f.write(record("result directory", "dir", "diRes", "results/example"))
    f.write(record("coded reads file (bytes 0-3, one read per line)", "file", "pthReads", "examples/parted_reads1.bin"))
    f.write(record("coded genome file (one byte 0-3 a base)", "file", "pthGnm", "examples/genome.bin"))
    f.write(record("smallest read size analysed", "int", "rMinSz", "20"))
    f.write(record("largest read size analysed", "int", "rMaxSz", "100"))

with open("fMatchReadsT_VarSzPartedRate.txt", "w", newline="") as f:
    f.write(record("result directory", "dir", "diRes", "results/example"))
    f.write(record("directory of the listed reads files", "dir", "diReads", "examples"))
    f.write(record("list file: one reads file name a line", "file", "pthList", "examples/PartedList.txt"))
    f.write(record("coded genome file (one byte 0-3 a base)", "file", "pthGnm", "examples/genome.bin"))
    f.write(record("smallest read size analysed", "int", "rMinSz", "20"))
    f.write(record("largest read size analysed", "int", "rMaxSz", "100"))
