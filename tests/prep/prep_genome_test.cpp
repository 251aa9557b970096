// fPrepGenome end to end: FASTA and FASTA.gz records to letter and coded
// genome files, letters other than bases refused or replaced, and every bad
// input or setting refused with a message and no result file.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/nucleotide.h"
#include "core/platform.h"
#include "support/run_analysis.h"
#include "support/test_files.h"
#include "gzip_bytes.h"

namespace ruz {
namespace {

const std::string kTwoRecords = ">chr1 the first\r\nacgT\r\nNNac\r\n>chr2\r\nGGGG\r\n";

using Settings = std::map<std::string, std::string>;

// One run in a directory of its own.
struct GenomeRun {
    // Default settings: the first record of genome.fa.gz into both forms,
    // other letters refused.
    Settings defaults() const {
        return {{"pthFasta", dir.file("genome.fa.gz")}, {"seqName", "blank"}, {"diRes", dir.path().string()},
                {"outName", "blank"}, {"outForm", "both"}, {"nonAcgt", "refuse"}};
    }
    bool run(const Settings& settings) {
        std::string params;
        for (const auto& [name, value] : settings) params += test::record(name, value);
        test::writeFile(dir.file("params.txt"), params);
        RunContext context(rec.console());
        return test::runAnalysis(context, "fPrepGenome", dir.file("params.txt"));
    }
    std::string out(const std::string& name) const { return dir.file(name); }
    // The parameters as the run shows them before it waits for its key.
    static std::string echo(const Settings& s, const std::string& letter, const std::string& coded) {
        return "procedure  fPrepGenome\nFASTA         " + s.at("pthFasta") + "\nrecord        " +
               (s.at("seqName") == "blank" ? std::string("the first") : s.at("seqName")) +
               "\nletter genome " + letter + "\ncoded genome  " + coded + "\nother letters " +
               (s.at("nonAcgt") == "refuse" ? std::string("refused")
                                          : "replaced by " + std::string(1, upperCase(s.at("nonAcgt")[0]))) +
               "\nexecuting...";
    }

    test::TempDir dir;
    RecordingConsole rec;
};

TEST(PrepGenome, RecordsBecomeLetterAndCodedGenomes) {
    struct Case {
        const char* what;
        Settings changes;
        std::string letterName, letters, codedName, codes, report;
        std::string sizesName, sizes;  // the recorded sequence name
    };
    const std::vector<Case> cases = {
        {"first record, lines joined, CR LF, small letters, N replaced by C",
         {{"nonAcgt", "C"}},
         "genome.txt", "ACGTCCAC", "genome.bin", std::string("\0\1\2\3\1\1\0\1", 8),
         "record 1 (chr1): 8 bases\n2 letters other than A, C, G, T replaced by C", "genome.chrom.sizes",
         "chr1\t8\n"},
        {"second record by name: its name joins the output's",
         {{"seqName", "chr2"}},
         "genome_chr2.txt", "GGGG", "genome_chr2.bin", std::string("\2\2\2\2", 4),
         "record 2 (chr2): 4 bases", "genome_chr2.chrom.sizes", "chr2\t4\n"},
        {"letter form only, under a name of the user's",
         {{"seqName", "chr2"}, {"outName", "lambda"}, {"outForm", "letter"}},
         "lambda.txt", "GGGG", "", "", "record 2 (chr2): 4 bases", "lambda.chrom.sizes", "chr2\t4\n"},
        {"coded form only; a replacement base in small letters",
         {{"outForm", "coded"}, {"nonAcgt", "t"}},
         "", "", "genome.bin", std::string("\0\1\2\3\3\3\0\1", 8),
         "record 1 (chr1): 8 bases\n2 letters other than A, C, G, T replaced by T", "genome.chrom.sizes",
         "chr1\t8\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GenomeRun r;
        test::writeFile(r.dir.file("genome.fa.gz"), test::gzipped(kTwoRecords));
        Settings s = r.defaults();
        for (const auto& [name, value] : c.changes) s[name] = value;
        ASSERT_TRUE(r.run(s)) << r.rec.text();

        std::vector<std::string> files = {"genome.fa.gz", "params.txt"};
        std::string report = GenomeRun::echo(s, c.letterName.empty() ? "not written" : r.out(c.letterName),
                                             c.codedName.empty() ? "not written" : r.out(c.codedName)) +
                             "\n" + r.dir.file("genome.fa.gz") + ", " + c.report;
        if (!c.letterName.empty()) {
            EXPECT_EQ(test::readFile(r.out(c.letterName)), c.letters);
            files.push_back(c.letterName);
            report += "\nletter genome: " + r.out(c.letterName);
        }
        if (!c.codedName.empty()) {
            EXPECT_EQ(test::readFile(r.out(c.codedName)), c.codes);
            files.push_back(c.codedName);
            report += "\ncoded genome: " + r.out(c.codedName);
        }
        EXPECT_EQ(test::readFile(r.out(c.sizesName)), c.sizes);
        files.push_back(c.sizesName);
        report += "\nsequence name: " + r.out(c.sizesName);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(r.dir.listing(), files) << "no temporary file stays";
        EXPECT_EQ(r.rec.text(), report);
        EXPECT_EQ(r.rec.keyWaits(), 1) << "the key wait after the parameters";
    }
}

TEST(PrepGenome, ARecordWithoutANameLeavesNoEarlierNameBehind) {
    GenomeRun r;
    test::writeFile(r.dir.file("genome.fa.gz"), test::gzipped(">\nACGT\n"));
    test::writeFile(r.out("genome.chrom.sizes"), "chrOld\t4\n");
    ASSERT_TRUE(r.run(r.defaults())) << r.rec.text();
    EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"genome.bin", "genome.fa.gz", "genome.txt", "params.txt"}));
    EXPECT_EQ(r.rec.text().find("sequence name"), std::string::npos) << r.rec.text();
}

TEST(PrepGenome, BadInputsAreRefusedNamingFileAndRecordAndLeaveNoResult) {
    std::string longRecord = ">long\n";
    for (int i = 0; i < 100000; ++i) longRecord += "ACGT"[(i * 7 + i / 13) % 4];
    const std::string cutGzip = test::gzipped(longRecord);
    struct Case {
        const char* what;
        std::string fasta;
        Settings changes;
        std::string message;  // "P" stands for the FASTA file's path
    };
    const std::vector<Case> cases = {
        {"N and IUPAC letters refused", ">c\nACNNGTRA\n", {},
         "P, record 1 (c): 3 symbols other than A, C, G, T, at 3 ('N'), 4 ('N'), 7 ('R'); "
         "set nonAcgt to the base that replaces the letters among them"},
        {"more than ten shown as the first ten", ">c\nNNNNNNNNNNNNA\n", {},
         "P, record 1 (c): 12 symbols other than A, C, G, T, the first 10 at 1 ('N'), 2 ('N'), "
         "3 ('N'), 4 ('N'), 5 ('N'), 6 ('N'), 7 ('N'), 8 ('N'), 9 ('N'), 10 ('N'); "
         "set nonAcgt to the base that replaces the letters among them"},
        {"symbols that are not letters are never replaced", ">c\nAC-GTn*\n", {{"nonAcgt", "A"}},
         "P, record 1 (c): 3 symbols other than A, C, G, T, at 3 ('-'), 6 ('n'), 7 ('*'); "
         "only letters are replaced, other symbols are refused"},
        {"a record name that is missing", kTwoRecords, {{"seqName", "chrX"}},
         "P: no record is named chrX (2 records read)"},
        {"a record without bases", ">c\n>d\nAC\n", {}, "P, record 1 (c): the record holds no bases"},
        {"a FASTQ file", "@r\nAC\n+\nII\n", {}, "P is a FASTQ file: a genome comes as FASTA"},
        {"a FASTA without header", "ACGT\n", {},
         "P, record 1: the file begins with 'A', not with a header ('>' for FASTA, '@' for FASTQ)"},
        {"an empty file", "", {}, "P: no FASTA or FASTQ record (empty file)"},
        {"a malformed record before the one named", ">a\nAC\n+\nII\n>b\nAC\n", {{"seqName", "b"}},
         "P, record 1 (a): a '+' line in a FASTA record"},
        {"a gzip file cut short", cutGzip.substr(0, cutGzip.size() - 100), {},
         "i can't read P: unexpected end of file (in record 1)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GenomeRun r;
        const std::string fasta = r.dir.file("genome.fa");
        test::writeFile(fasta, c.fasta);
        Settings s = r.defaults();
        s["pthFasta"] = fasta;
        for (const auto& [name, value] : c.changes) s[name] = value;
        const std::string stem = s["seqName"] == "blank" ? "genome" : "genome_" + s["seqName"];
        test::writeFile(r.out(stem + ".txt"), "earlier result");
        EXPECT_FALSE(r.run(s));
        std::string message = c.message;
        message.replace(message.find('P'), 1, fasta);
        EXPECT_EQ(r.rec.text(), GenomeRun::echo(s, r.out(stem + ".txt"), r.out(stem + ".bin")) + "\n" + message);
        EXPECT_EQ(r.rec.keyWaits(), 2);
        EXPECT_EQ(test::readFile(r.out(stem + ".txt")), "earlier result") << "an earlier result survives";
        std::vector<std::string> files = {"genome.fa", stem + ".txt", "params.txt"};
        std::sort(files.begin(), files.end());
        EXPECT_EQ(r.dir.listing(), files);
    }
}

TEST(PrepGenome, BadSettingsAreRefusedBeforeAnythingIsRead) {
    struct Case {
        Settings changes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{{"outForm", "text"}}, "\nparameter outForm = \"text\": write letter, coded or both"},
        {{{"nonAcgt", "NN"}},
         "\nparameter nonAcgt = \"NN\": write refuse, or the base (A, C, G or T) that replaces other letters"},
        {{{"nonAcgt", "N"}},
         "\nparameter nonAcgt = \"N\": write refuse, or the base (A, C, G or T) that replaces other letters"},
        {{{"outName", "sub/g"}},
         "\nparameter outName = \"sub/g\": give a file name without a directory (the files go into diRes)"},
        {{{"outName", ".."}},
         "\nparameter outName = \"..\": give a file name without a directory (the files go into diRes)"},
        {{{"diRes", ""}}, "\nparameter diRes is empty: no result directory is given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        GenomeRun r;
        test::writeFile(r.dir.file("genome.fa.gz"), test::gzipped(kTwoRecords));
        Settings s = r.defaults();
        for (const auto& [name, value] : c.changes) s[name] = value;
        EXPECT_FALSE(r.run(s));
        EXPECT_EQ(r.rec.text(), c.message);
        EXPECT_EQ(r.rec.keyWaits(), 1);
        EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"genome.fa.gz", "params.txt"}));
    }
}

TEST(PrepGenome, AResultThatWouldReplaceItsInputIsRefused) {
    GenomeRun r;
    test::writeFile(r.dir.file("genome.txt"), ">c\nACGT\n");
    Settings s = r.defaults();
    s["pthFasta"] = r.dir.file("genome.txt");
    s["outForm"] = "letter";
    EXPECT_FALSE(r.run(s));
    EXPECT_EQ(r.rec.text(), GenomeRun::echo(s, r.out("genome.txt"), "not written") + "\nresult file " +
                                r.out("genome.txt") + " is an input of this run");
    EXPECT_EQ(test::readFile(r.dir.file("genome.txt")), ">c\nACGT\n");
}

}  // namespace
}  // namespace ruz
