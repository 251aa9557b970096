#!/usr/bin/env python3
"""Writes the inputs of bench/compare.sh into a folder: a random genome and
three sets of reads of 50 bases, each set in the engine's letter and coded
forms and as FASTQ for the peer tools.

  genome.txt genome.bin genome.fa  the genome (letters, codes, FASTA)
  reads.*   70 % taken from the genome (half of them reverse-complemented),
            30 % random
  circ.*    the same mix with planted circular permutations: a genome
            segment cut in two and written second part first, the strands
            alternating
  tips.*    70 % taken from the genome (half reverse-complemented) with their
            last 4 to 16 bases replaced by random ones, a tenth of them piled
            on 3000 sites; 30 % random (no coded form: the replaced-end
            analyses read letters)
  tasks.txt a task list of 39 tasks: read size 50, tips 4 to 16, misNu 1 to 3
  list.txt  the reads files rated together: circ.bin and reads.bin

Usage: make_inputs.py FOLDER GENOME_BASES READS
The same arguments give the same files (fixed seeds)."""
import os
import random
import sys

READ = 50
CHUNK = 100_000  # reads generated and written at a time
# At most this many permuted reads: each gives at most two upper-strand
# records, so the circular and parted scans stay below their record stop
# (9995) and read the whole file.
MAX_PERMUTED = 4000
PILE_SITES = 3000
QUALITY = b"I" * READ

LETTER_OF_BYTE = bytes(b"ACGT"[b & 3] for b in range(256))
CODE_OF_LETTER = bytes.maketrans(b"ACGT", b"\x00\x01\x02\x03")  # keeps b"\n"
COMPLEMENT = bytes.maketrans(b"ACGT", b"TGCA")


# randbytes draws n * 8 bits as one number, which must stay below 2^31 bits;
# a longer text is drawn in parts (a text of up to this length in one go, so
# the smaller sizes keep their files).
RANDOM_PART = 1 << 27


def random_letters(rng, n):
    if n <= RANDOM_PART:
        return rng.randbytes(n).translate(LETTER_OF_BYTE)
    return b"".join(rng.randbytes(min(RANDOM_PART, n - at)).translate(LETTER_OF_BYTE)
                    for at in range(0, n, RANDOM_PART))


def revcomp(letters):
    return letters.translate(COMPLEMENT)[::-1]


class ReadsWriter:
    """Writes one set of reads as letters, codes (optional) and FASTQ."""

    def __init__(self, folder, stem, coded=True):
        self.letters = open(os.path.join(folder, stem + ".txt"), "wb")
        self.codes = open(os.path.join(folder, stem + ".bin"), "wb") if coded else None
        self.fastq = open(os.path.join(folder, stem + ".fq"), "wb")
        self.count = 0

    def write(self, reads):
        text = b"\n".join(reads) + b"\n"
        self.letters.write(text)
        if self.codes:
            self.codes.write(text.translate(CODE_OF_LETTER))
        first = self.count
        self.fastq.write(b"".join(b"@r%d\n%s\n+\n%s\n" % (first + i, r, QUALITY)
                                  for i, r in enumerate(reads)))
        self.count += len(reads)

    def close(self):
        for f in (self.letters, self.codes, self.fastq):
            if f:
                f.close()


def genome_window(rng, genome, start):
    """READ bases from `start`, on either strand."""
    read = genome[start:start + READ]
    return revcomp(read) if rng.getrandbits(1) else read


def mixed_reads(rng, genome, count, planted=lambda i: None):
    """`count` reads: 70 % genome windows (either strand), 30 % random; read
    i is replaced by planted(i) where that is not None."""
    last = len(genome) - READ
    for first in range(0, count, CHUNK):
        n = min(CHUNK, count - first)
        pool = random_letters(rng, n * READ)
        chunk = []
        for i in range(n):
            read = planted(first + i)
            if read is None:
                if rng.random() < 0.7:
                    read = genome_window(rng, genome, rng.randint(0, last))
                else:
                    read = pool[i * READ:(i + 1) * READ]
            chunk.append(read)
        yield chunk


def write_genome(folder, genome):
    with open(os.path.join(folder, "genome.txt"), "wb") as f:
        f.write(genome)
    with open(os.path.join(folder, "genome.bin"), "wb") as f:
        f.write(genome.translate(CODE_OF_LETTER))
    with open(os.path.join(folder, "genome.fa"), "wb") as f:
        f.write(b">bench\n")
        block = 80 * 100_000  # lines of 80 written a block at a time
        for start in range(0, len(genome), block):
            part = genome[start:start + block]
            f.write(b"\n".join(part[i:i + 80] for i in range(0, len(part), 80)) + b"\n")


def write_set(folder, stem, chunks, coded=True):
    out = ReadsWriter(folder, stem, coded)
    for chunk in chunks:
        out.write(chunk)
    out.close()


def permuted_reads(rng, genome, count):
    """Read i is a circular permutation when i is a multiple of the spacing:
    a segment cut between 12 and READ - 12 bases, second part first; every
    other one is reverse-complemented (a lower-strand permutation)."""
    planted = min(MAX_PERMUTED, max(1, count // 20))
    spacing = max(1, count // planted)
    last = len(genome) - READ

    def planted_read(i):
        if i % spacing or i // spacing >= planted:
            return None
        start = rng.randint(0, last)
        segment = genome[start:start + READ]
        cut = rng.randint(12, READ - 12)
        read = segment[cut:] + segment[:cut]
        return revcomp(read) if (i // spacing) % 2 else read

    return planted_read


def tip_reads(rng, genome, count):
    """Reads with a replaced tip of 4 to 16 bases (see the file's head)."""
    last = len(genome) - READ
    sites = [rng.randint(0, last) for _ in range(PILE_SITES)]
    for first in range(0, count, CHUNK):
        n = min(CHUNK, count - first)
        pool = random_letters(rng, n * READ)
        chunk = []
        for i in range(n):
            read = pool[i * READ:(i + 1) * READ]
            if rng.random() < 0.7:
                start = rng.choice(sites) if rng.random() < 0.1 else rng.randint(0, last)
                tip = rng.randint(4, 16)
                read = genome_window(rng, genome, start)[:READ - tip] + read[READ - tip:]
            chunk.append(read)
        yield chunk


def write_task_list(folder):
    lines = ["Tasks of bench/compare.sh", "read size 50, tips 4 to 16, misNu 1 to 3", "", "", "", "",
             "bench.tasks", "immutSz\tmutTipSz\tmisNu"]
    lines += [f"{READ - tip}\t{tip}\t{mis}" for tip in range(4, 17) for mis in range(1, 4)]
    with open(os.path.join(folder, "tasks.txt"), "w", newline="") as f:
        f.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    folder, length, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    if length < 10 * READ or count < 1:
        sys.exit(f"make_inputs.py: the genome needs at least {10 * READ} bases and one read")
    os.makedirs(folder, exist_ok=True)
    genome = random_letters(random.Random(1), length)
    write_genome(folder, genome)
    write_set(folder, "reads", mixed_reads(random.Random(2), genome, count))
    rng = random.Random(3)
    write_set(folder, "circ", mixed_reads(rng, genome, count, permuted_reads(rng, genome, count)))
    write_set(folder, "tips", tip_reads(random.Random(4), genome, count), coded=False)
    write_task_list(folder)
    with open(os.path.join(folder, "list.txt"), "w", newline="") as f:
        f.write("circ.bin\nreads.bin\n")


if __name__ == "__main__":
    main()
