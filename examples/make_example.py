#!/usr/bin/env python3
"""Writes the bundled example: a letter genome, a reads file with planted
replaced-end reads on both strands, and the parameter files and task list
that run RandExt and RandExtTaskList on them. Deterministic: running it
again gives the same files."""
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
