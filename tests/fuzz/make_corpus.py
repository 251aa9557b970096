#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

The seeds are made from the bundled examples (examples/, params/) and from
the edge cases the tests name. Each seed file is called seed-<what>; files
called regress-<what> are reproducers of findings, kept as regression cases,
and are never touched here. Run from anywhere:

    python3 tests/fuzz/make_corpus.py

Targets whose input starts with option bytes (reads, genome, sequence) get
those bytes in front of the example's bytes; their meaning is described at
the top of each target's source.
"""
import gzip
import io
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
EXAMPLES = ROOT / "examples"
PARAMS = ROOT / "params"
CORPUS = HERE / "corpus"


def read(path):
    return pathlib.Path(path).read_bytes()


def record(name, value, kind=b"str"):
    return b"comment of " + name + b"\n" + kind + b"\n" + name + b"\n" + value + b"\n"


def crlf(data):
    return data.replace(b"\n", b"\r\n")


def gz(data):
    out = io.BytesIO()
    with gzip.GzipFile(fileobj=out, mode="wb", mtime=0) as f:
        f.write(data)
    return out.getvalue()


def write(target, seeds):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    for old in folder.glob("seed-*"):
        old.unlink()
    for what, data in seeds.items():
        (folder / ("seed-" + what)).write_bytes(data)


# ---------------------------------------------------------------------------
def params_seeds():
    s = {}
    for name in ["RandExt.txt", "RandExtTaskList.txt", "fIdentifyCircularRna.txt",
                 "fMatchReadsT_VarSzParted.txt", "fMatchReadsT_VarSzPartedRate.txt"]:
        s["example-" + name] = read(EXAMPLES / name)
    for name in ["fPrepGenome.txt", "fPrepReads.txt"]:
        s["example-fastq-" + name] = read(EXAMPLES / "fastq" / name)
    for name in ["fLettersToCodes.txt", "fMapReadsOnToSeq.txt", "fTestGenomeSborka.txt"]:
        s["template-" + name] = read(PARAMS / name)
    s["crlf"] = crlf(read(EXAMPLES / "RandExt.txt"))
    s["last-record-wins"] = (record(b"rMinSz", b"10", b"int") + record(b"rMinSz", b"20", b"int") +
                             record(b"experimentId", b"  two\twords "))
    s["record-cut-short"] = b"a\nint\nx\n1\nc\nint\nmisNu"
    s["long-line"] = record(b"immutSz", b"20") + record(b"diRes", b"x" * 500)
    s["line-of-499"] = record(b"diRes", b"y" * 499)
    s["double-cr"] = b"c\r\nint\r\nname\r\nvalue\r\r\n"
    s["nul-in-value"] = record(b"experimentId", b"a\0b") + record(b"other", b"a\0b")
    s["numbers"] = (record(b"rMinSz", b"12abc", b"int") + record(b"rMaxSz", b"  \t-7", b"int") +
                    record(b"immutSz", b"2147483648", b"int") + record(b"mutTipSz", b"-2147483649", b"int") +
                    record(b"misNu", b"99999999999999999999999", b"int") + record(b"threads", b"0x14", b"int"))
    s["bounds"] = (record(b"diRes", b"out", b"dir") + record(b"rMinSz", b"30", b"int") +
                   record(b"rMaxSz", b"20", b"int") + record(b"pthGnm", b"/no/genome.bin", b"file"))
    s["bounds-ok"] = (record(b"diRes", b"out", b"dir") + record(b"rMinSz", b"+0", b"int") +
                      record(b"rMaxSz", b"2147483647", b"int"))
    s["empty-result-dir"] = record(b"diRes", b"", b"dir") + record(b"rMinSz", b"1") + record(b"rMaxSz", b"2")
    s["empty"] = b""
    return s


def call_file_seeds():
    randext = read(EXAMPLES / "RandExt.txt")
    return {
        "example": b"param\nRandExt\n" + randext,
        "threads-2": b"param\nRandExtTaskList\n" + record(b"threads", b"2", b"int"),
        "threads-0": b"param\nfPrepReads\n" + record(b"threads", b"0", b"int"),
        "threads-word": b"param\nfLettersToCodes\n" + record(b"threads", b"many", b"int"),
        "threads-empty": b"param\nfTestGenomeSborka\n" + record(b"threads", b"", b"int"),
        "no-param-file": b"missing.txt\nRandExt",
        "crlf": b"param\r\nRandExt\r\n" + crlf(randext),
        "unknown-name": b"param\nNoSuchFunction\x01\"\\\n",
        "no-second-line": b"param",
        "line1-199": b"p" * 199 + b"\nRandExt",
        "line1-200": b"p" * 200 + b"\nRandExt",
        "line2-200": b"param\n" + b"f" * 200,
        "empty": b"",
    }


TASK_HEAD = b"one\ntwo\nthree\nfour\nfive\nsix\n"


def task_list_seeds():
    return {
        "example": read(EXAMPLES / "TaskList.txt"),
        "sample": read(PARAMS / "TaskListSample.txt"),
        "crlf": crlf(read(EXAMPLES / "TaskList.txt")),
        "empty-lines": TASK_HEAD + b"e.x\nheading\n\n20\t6\t2\n\n18\t8\t3",
        "two-fields": TASK_HEAD + b"e\nheading\n20\t6\n",
        "four-fields": TASK_HEAD + b"e\nheading\n20\t6\t2\t1\n",
        "nul-in-id": TASK_HEAD + b"e\0x\nheading\n20\t6\t2\n",
        "nul-in-task": TASK_HEAD + b"e\nheading\n20\t6\t2\0\n",
        "sizes": TASK_HEAD + b"e\nheading\n20\t17\t2\n5\t6\t1\n-1\t6\t2\n5119\t0\t0\n5103\t16\t16\n",
        "sizes-typed": TASK_HEAD + b"e\nheading\n 20\t+6\t2abc\n0x14\t6\t2\n",
        "task-line-99": TASK_HEAD + b"e\nheading\n20\t6\t" + b"2" * 93 + b"\n",
        "task-line-100": TASK_HEAD + b"e\nheading\n20\t6\t" + b"2" * 94 + b"\n",
        "long-task": TASK_HEAD + b"e\nheading\n20\t6\t2\n" + b"1" * 5120 + b"\n18\t8\t3\n",
        "long-head": b"x" * 5200 + b"\n" + TASK_HEAD,
        "short": b"only\nthree\nlines\n",
    }


# Option bytes of the reads target: bit 0 coded, bit 1 line by line, bits 2-3
# batch size, bit 4 at the chunk's edge (second byte: gap / 32).
def reads_seeds():
    letters = read(EXAMPLES / "reads.txt")
    circular = read(EXAMPLES / "circular_reads.txt")
    coded = read(EXAMPLES / "parted_reads1.bin")
    s = {
        "letters-batches": bytes([0x0C, 0]) + letters,
        "letters-lines": bytes([0x02, 0]) + circular,
        "letters-crlf": bytes([0x04, 0]) + crlf(letters[:600]),
        "coded-batches": bytes([0x09, 0]) + coded,
        "coded-lines": bytes([0x03, 0]) + read(EXAMPLES / "parted_reads2.bin"),
        "mixed": bytes([0x00, 0]) + b"ACGTN\nacgt\r\n\n\0\0\nTTTT",
        "no-final-lf": bytes([0x02, 0]) + b"ACGT\nAC",
        "line-5119": bytes([0x00, 0]) + b"A" * 5119 + b"\nC\n",
        "line-5120": bytes([0x02, 0]) + b"ACGT\n" + b"A" * 5120 + b"\nC\n",
        "last-line-5120": bytes([0x00, 0]) + b"ACGT\n" + b"G" * 5120,
    }
    # Lines across the edge of the loop's first chunk.
    for gap in [0, 1, 40, 128, 160, 255]:
        s["edge-%d-letters" % gap] = bytes([0x10 | 0x04, gap]) + letters[:1200]
        s["edge-%d-coded-lines" % gap] = bytes([0x13, gap]) + coded[:600]
    s["edge-long-5119"] = bytes([0x12, 100]) + b"A" * 5119 + b"\nACGT\n"
    s["edge-long-5120"] = bytes([0x10, 100]) + b"A" * 5120 + b"\nACGT\n"
    s["edge-long-no-lf"] = bytes([0x10, 200]) + b"T" * 5119
    return s


# Option bytes of the genome target: bit 0 letter form, bits 1-2 check (0 kind
# A, 1 kind B, 2 coded), bit 3 lower strand; then back and front margin.
def genome_seeds():
    letters = read(EXAMPLES / "genome.txt")
    coded = read(EXAMPLES / "genome.bin")
    return {
        "example-letters": bytes([0x0B, 30, 0]) + letters,
        "example-codes": bytes([0x08, 15, 0]) + letters,
        "example-coded": bytes([0x0C, 191, 5]) + coded,
        "kind-b-lower": bytes([0x0B, 11, 0]) + b"ACGTacgtTTGCA",
        "bad-letter-a": bytes([0x01, 0, 0]) + b"ACGTN",
        "bad-letter-b": bytes([0x03, 0, 0]) + b"ACGT\nACGT",
        "bad-code": bytes([0x04, 0, 0]) + b"\x00\x01\x02\x03\x04",
        "one-base-long-margins": bytes([0x09, 255, 200]) + b"G",
        "short-long-margins": bytes([0x0D, 192, 191]) + b"\x00\x03\x02",
        "front-margin": bytes([0x09, 0, 7]) + b"ACGTT",
        "empty": bytes([0x00, 0, 0]),
    }


# Option bytes of the sequence target: bit 0 gzip here, bit 1 cut it short,
# bits 2-3 who reads (0 the reader, 1 fPrepReads, 2 fPrepGenome); second byte:
# where the cut falls, or which of two parameter files the function reads.
def sequence_seeds():
    fasta_lines = gzip.decompress(read(EXAMPLES / "fastq" / "lambda_virus.fa.gz")).split(b"\n")
    fasta = b"\n".join(fasta_lines[:12]) + b"\n"
    fastq = b"\n".join(gzip.decompress(read(EXAMPLES / "fastq" / "sample_1.fq.gz")).split(b"\n")[:24]) + b"\n"
    s = {
        "fasta": bytes([0x00, 0]) + fasta,
        "fasta-gzip": bytes([0x01, 0]) + fasta,
        "fasta-gzip-cut": bytes([0x03, 128]) + fasta,
        "fastq": bytes([0x00, 0]) + fastq,
        "fastq-gz-file": bytes([0x00, 0]) + gz(fastq),
        "fastq-gzip-cut": bytes([0x03, 250]) + fastq,
        "prep-reads": bytes([0x04, 0]) + fastq,
        "prep-reads-trimmed": bytes([0x04, 1]) + fastq,
        "prep-reads-fasta": bytes([0x04, 0]) + fasta,
        "prep-genome": bytes([0x08, 0]) + fasta,
        "prep-genome-named": bytes([0x08, 1]) + b">chr0\nACGT\n>chr1 second\nACGTNNRY\nacgt\n",
        "prep-genome-fastq": bytes([0x08, 0]) + fastq,
    }
    well_formed = [
        b"\n>chr1 the first\nACGT\nacgtNN\n\n>chr2\tx\nGGG\n>chr3\n",
        b">a x\r\n\r\nAC\r\nGT\r\n>b\r\nT",
        b"@r1 desc\nACGT\n+\nIIII\n@r2\nAC\nGT\n+r2\n@@\nII\n@r3\nN\n+\n#",
        b"@r1\r\nACGT\r\n+\r\nIIII\r\n\r\n\r\n@r2\r\nA\r\n+\r\nI\r\n",
        b"@e\n\n+\n\n@f\nC\n+\nI\n",
    ]
    malformed = [
        b"", b"\n\r\n\n", b"ACGT\nACGT\n", b"@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nIII\n@r3\nA\n+\nI\n",
        b"@r1\nACGT\n+\nIIIII\n", b"@r1\nACGT\n+\nII", b"@r1\nACGT\n+", b"@r1\nACGT\n@r2\nACGT\n+\nIIII\n",
        b"@r1\nAC\n+\nII\n@r2\nACGT\n", b"@r1\nACGT\n+\nIIII\nACGT\n@r2\nA\n+\nI\n",
        b"@r1\nAC\n+\nII\n>r2\nAC\n", b">a\nAC\n@b\nAC\n", b">a\nAC\n+\nII\n", b">a\nAC\n>", b"\x01>a\nAC\n",
    ]
    for i, data in enumerate(well_formed):
        s["test-well-formed-%d" % i] = bytes([0x01, 0]) + data
    for i, data in enumerate(malformed):
        s["test-malformed-%d" % i] = bytes([0x00, 0]) + data
    return s


def catalogue_seeds():
    two_blocks = b"fTestGenomeSborka\n*\n>D:\\prog\\\n#Checks\nRandExtTaskList\nRandExt\n*Ruzovizu\n>this\n#Helixa\n"
    return {
        # the catalogue the build makes from the engine's table (its seed as committed)
        "delivered": read(CORPUS / "catalogue" / "seed-delivered"),
        "two-blocks": two_blocks + b"RandExt\n*o\n>/o/\n#Later\n",
        "crlf": crlf(two_blocks),
        "no-functions": b"*Ruzovizu\n>this\n#Empty\n",
        "empty-line": b"RandExt\n\n*Ruzovizu\n>this\n#Helixa\n",
        "no-module-line": b"RandExt\n#Helixa\n",
        "module-line-last": b"RandExt\n*Ruzovizu",
        "no-module-after": b"RandExt\n>this\n#Helixa\n",
        "exe-text": b"RandExt\n*Ruzovizu.exe\n@C:\\prog\n#Helixa\r",
        "nul": b"RandExt\n*Ruzovizu\n>this\n#Hel\0ixa\n",
    }


def about_file_seeds():
    return {
        "functions": read(PARAMS / "AboutFuncs.txt")[:2000],
        "packages": read(PARAMS / "AboutPacks.txt"),
        "entries": b"RandExt\none\ntwo\n*\n\nHelixa\nlast",
        "empty-line-in-block": b"x\nRandExt\none\n\n*\n",
        "key-only": b"Helixa",
        "crlf": b"RandExt\r\none\r\n*\r\nHelixa\rlast\r\n",
    }


def param_template_seeds():
    s = {}
    for name in ["RandExt.txt", "RandExtTaskList.txt", "fPrepReads.txt", "fMatchReadsT_VarSzPartedRate.txt"]:
        s["template-" + name] = read(PARAMS / name)
    ten = b"".join(record(b"name%d" % i, b"%d" % i, b"int") for i in range(10))
    s["external"] = b"external\nanything\n"
    s["crlf"] = crlf(read(PARAMS / "RandExt.txt"))
    s["ten-records"] = ten
    s["empty-comment-row"] = record(b"a", b"1") + b"\nint\nb\n2\n" + record(b"c", b"3")
    s["first-comment-empty"] = b"\nint\nb\n2\n"
    s["long-value"] = record(b"diRes", b"d" * 500, b"dir")
    s["value-499"] = record(b"diRes", b"d" * 499, b"dir")
    s["task-list-row"] = record(b"pthTaskList", b"tasks.txt", b"file").replace(b"comment of pthTaskList", b"task list")
    s["types"] = (record(b"n", b"2O", b"int") + record(b"t", b"x", b"table") + record(b"f", b"?", b"file") +
                  record(b"diRes", b"", b"dir") + record(b"u", b"x", b"unknown"))
    s["cut-record"] = b"c\nint\nname"
    s["duplicate-names"] = ten + record(b"name1", b"late", b"int")
    s["nul"] = record(b"a", b"1") + b"x\0y"
    return s


def main():
    write("params", params_seeds())
    write("call_file", call_file_seeds())
    write("task_list", task_list_seeds())
    write("reads", reads_seeds())
    write("genome", genome_seeds())
    write("sequence", sequence_seeds())
    write("catalogue", catalogue_seeds())
    write("about_file", about_file_seeds())
    write("param_template", param_template_seeds())
    parted = EXAMPLES / "PartedList.txt"
    write("parted_list", {
        "example": read(parted),
        "crlf": crlf(read(parted)),
        "empty-lines": b"\nparted_reads1.bin\n\n\nparted_reads2.bin\r\n\n",
        "missing-file": b"parted_reads1.bin\nno_such.bin\n",
        "directory": b"parted_reads1.bin\n.\n",
        "no-final-lf": b"parted_reads2.bin",
        "long-line": b"parted_reads1.bin\n" + b"x" * 5120 + b"\nparted_reads2.bin\n",
        "empty": b"",
        "files-of-the-folder": b"empty.bin\nparted_reads2.bin\n./parted_reads1.bin\nlong.bin\nparted_reads1.bin\n",
        "the-log": b"parted_reads1.bin\n_RatingLog.txt\nparted_reads2.bin\n",
        "nul": b"parted_reads1.bin\nparted\0reads2.bin\n",
        # The list names itself: its own lines are then rated as coded reads.
        "itself": b"../list.txt\n" + read(EXAMPLES / "parted_reads1.bin")[:400].replace(b"\0", b"\1"),
    })


if __name__ == "__main__":
    main()
