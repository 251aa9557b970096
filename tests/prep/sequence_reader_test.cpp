// The FASTA/FASTQ reader: every record of well-formed files in their
// variants (multi-line, CR LF, blank lines, gzip), and every malformed or
// unreadable file refused with the file and the record named. Each case
// compares the whole transcript of a reading: one "name<TAB>sequence" line
// per record, then how the reading ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/console.h"
#include "prep/sequence_reader.h"
#include "support/test_files.h"
#include "gzip_bytes.h"

namespace ruz {
namespace {

using prep::SequenceFormat;
using prep::SequenceReader;

// "P" in an expected transcript stands for the file's path.
std::string withPath(std::string text, const std::string& path) {
    for (std::size_t at = 0; (at = text.find("P", at)) != std::string::npos; at += path.size())
        text.replace(at, 1, path);
    return text;
}

std::string transcript(const std::string& path) {
    auto opened = SequenceReader::open(path);
    if (!opened) return "not opened" + opened.failure().message;
    auto& reader = *opened;
    std::string t;
    SequenceReader::Status status;
    while ((status = reader->next()) == SequenceReader::Status::Record) {
        const auto bases = reader->sequence();
        t.append(reader->name()).append("\t").append(bases.data(), bases.size()).append("\n");
    }
    if (status == SequenceReader::Status::End) {
        t += reader->format() == SequenceFormat::Fastq ? "end fastq" : "end fasta";
        t += " " + std::to_string(reader->recordCount());
    } else {
        t += "failed" + reader->problem();
        const auto end = reader->reportEnd();
        EXPECT_FALSE(end);
        if (!end) {
            EXPECT_EQ(end.failure().message, reader->problem());
        }
    }
    EXPECT_EQ(reader->next(), status) << "the end repeats";
    return t;
}

struct ReadingCase {
    const char* what;
    std::string bytes;
    std::string expected;
};

const std::string kFastq = "@r1 desc\nACGT\n+\nIIII\n@r2\nAC\nGT\n+r2\n@@\nII\n@r3\nN\n+\n#";
const std::string kFastqRecords = "r1\tACGT\nr2\tACGT\nr3\tN\nend fastq 3";

const std::vector<ReadingCase> kWellFormed = {
    {"FASTA: lines joined, description cut, blank lines passed, empty record, case kept",
     "\n>chr1 the first\nACGT\nacgtNN\n\n>chr2\tx\nGGG\n>chr3\n",
     "chr1\tACGTacgtNN\nchr2\tGGG\nchr3\t\nend fasta 3"},
    {"FASTA: CR LF, a lone CR line, last line without line feed",
     ">a x\r\n\r\nAC\r\nGT\r\n>b\r\nT", "a\tACGT\nb\tT\nend fasta 2"},
    {"FASTQ: multi-line sequence and quality, quality lines beginning with @, no final LF",
     kFastq, kFastqRecords},
    {"FASTQ: CR LF and blank lines between records",
     "@r1\r\nACGT\r\n+\r\nIIII\r\n\r\n\r\n@r2\r\nA\r\n+\r\nI\r\n", "r1\tACGT\nr2\tA\nend fastq 2"},
    {"FASTQ: an empty read", "@e\n\n+\n\n@f\nC\n+\nI\n", "e\t\nf\tC\nend fastq 2"},
};

const std::vector<ReadingCase> kMalformed = {
    {"empty file", "", "failed\nP: no FASTA or FASTQ record (empty file)"},
    {"blank lines only", "\n\r\n\n", "failed\nP: no FASTA or FASTQ record (empty file)"},
    {"FASTA without header", "ACGT\nACGT\n",
     "failed\nP, record 1: the file begins with 'A', not with a header ('>' for FASTA, '@' for FASTQ)"},
    {"quality shorter than the sequence", "@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nIII\n@r3\nA\n+\nI\n",
     "r1\tACGT\nfailed\nP, record 2 (r2): the quality's length differs from the sequence's (4 bases)"},
    {"quality longer than the sequence", "@r1\nACGT\n+\nIIIII\n",
     "failed\nP, record 1 (r1): the quality's length differs from the sequence's (4 bases)"},
    {"file cut in the quality", "@r1\nACGT\n+\nII",
     "failed\nP, record 1 (r1): the quality's length differs from the sequence's (4 bases)"},
    {"file cut after the '+' line", "@r1\nACGT\n+",
     "failed\nP, record 1 (r1): the quality's length differs from the sequence's (4 bases)"},
    {"FASTQ record without '+' line", "@r1\nACGT\n@r2\nACGT\n+\nIIII\n",
     "failed\nP, record 1 (r1): no '+' line after the sequence"},
    {"file cut after a FASTQ sequence", "@r1\nAC\n+\nII\n@r2\nACGT\n",
     "r1\tAC\nfailed\nP, record 2 (r2): no '+' line after the sequence"},
    {"text between FASTQ records", "@r1\nACGT\n+\nIIII\nACGT\n@r2\nA\n+\nI\n",
     "r1\tACGT\nfailed\nP, record 2: a line begins with 'A' where the next header belongs"},
    {"FASTA record in a FASTQ file", "@r1\nAC\n+\nII\n>r2\nAC\n",
     "r1\tAC\nfailed\nP, record 2 (r2): a FASTA header ('>') in a FASTQ file"},
    {"FASTQ header in a FASTA file", ">a\nAC\n@b\nAC\n",
     "a\tAC\nfailed\nP, record 2 (b): a FASTQ header ('@') in a FASTA file"},
    {"'+' line in a FASTA record", ">a\nAC\n+\nII\n",
     "failed\nP, record 1 (a): a '+' line in a FASTA record"},
    {"file cut in a header", ">a\nAC\n>", "a\tAC\nfailed\nP, record 2: the file ends in the header"},
    {"a control byte instead of a header", "\x01>a\nAC\n",
     "failed\nP, record 1: the file begins with \\x01, not with a header ('>' for FASTA, '@' for FASTQ)"},
};

class SequenceReading : public ::testing::Test {
protected:
    std::string read(const std::string& bytes, const std::string& name = "in.fa") {
        test::writeFile(dir.file(name), bytes);
        return transcript(dir.file(name));
    }
    test::TempDir dir;
};

TEST_F(SequenceReading, WellFormedFilesPlainAndGzipGiveEveryRecord) {
    for (const ReadingCase& c : kWellFormed) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(c.bytes), c.expected);
        EXPECT_EQ(read(test::gzipped(c.bytes), "in.fa.gz"), c.expected);
    }
}

TEST_F(SequenceReading, MalformedFilesPlainAndGzipAreRefusedNamingFileAndRecord) {
    for (const ReadingCase& c : kMalformed) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(c.bytes), withPath(c.expected, dir.file("in.fa")));
        EXPECT_EQ(read(test::gzipped(c.bytes), "in.fa.gz"), withPath(c.expected, dir.file("in.fa.gz")));
    }
}

TEST_F(SequenceReading, GzipCutShortOrDamagedIsAReadErrorNotAnEnd) {
    // One FASTA record of 200000 bases that compress poorly: cut anywhere,
    // its sequence would look whole to a reader that took the cut for the end.
    std::string fasta = ">long\n";
    unsigned state = 7;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1103515245u + 12345u;
        fasta += "ACGT"[(state >> 16) & 3];
        if (i % 60 == 59) fasta += '\n';
    }
    const std::string whole = test::gzipped(fasta);
    EXPECT_EQ(read(whole.substr(0, whole.size() / 2), "cut.fa.gz"),
              "failed\ni can't read " + dir.file("cut.fa.gz") + ": unexpected end of file (in record 1)");

    // The trailer's check sum spoiled: zlib withholds the bytes of the step
    // whose check fails, here the whole small file.
    std::string damaged = test::gzipped(">a\nACGT\n");
    damaged[damaged.size() - 8] = static_cast<char>(damaged[damaged.size() - 8] ^ 0x55);
    EXPECT_EQ(read(damaged, "crc.fa.gz"), "failed\ni can't read " + dir.file("crc.fa.gz") +
                                              ": incorrect data check (at the start of the file)");

    // Cut between two FASTQ records: the error shows where the next header is looked for.
    const std::string two = test::gzipped("@r1\nACGT\n+\nIIII\n@r2\nACGT\n+\nIIII\n");
    EXPECT_EQ(read(two.substr(0, two.size() - 8), "two.fq.gz"),
              "r1\tACGT\nr2\tACGT\nfailed\ni can't read " + dir.file("two.fq.gz") +
                  ": unexpected end of file (after record 2)");
}

TEST_F(SequenceReading, MissingFileAndDirectoryAreRefusedByTheStreamOpener) {
    for (const std::string& path : {dir.file("missing.fq.gz"), dir.path().string()}) {
        const auto opened = SequenceReader::open(path);
        ASSERT_FALSE(opened);
        EXPECT_EQ(opened.failure().message, "\ni can't open\n" + path);
    }
}

}  // namespace
}  // namespace ruz
