// fLettersToCodes end to end: letter genome and letter reads files to their
// coded forms, and the inputs and settings it refuses without a result.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/context.h"
#include "support/run_analysis.h"
#include "support/test_files.h"

namespace ruz {
namespace {

using Settings = std::map<std::string, std::string>;

struct CodingRun {
    Settings settings(const std::string& input, const std::string& kind) const {
        return {{"pthLetters", dir.file(input)}, {"fileKind", kind}, {"diRes", dir.path().string()},
                {"outName", "blank"}};
    }
    bool run(const Settings& s) {
        std::string params;
        for (const auto& [name, value] : s) params += test::record(name, value);
        test::writeFile(dir.file("params.txt"), params);
        RunContext context(rec.console());
        return test::runAnalysis(context, "fLettersToCodes", dir.file("params.txt"));
    }
    std::string echo(const Settings& s, const std::string& coded) const {
        return "procedure  fLettersToCodes\nletter " + std::string(s.at("fileKind") == "genome" ? "genome " : "reads  ") +
               s.at("pthLetters") + "\ncoded file    " + dir.file(coded) + "\nexecuting...";
    }

    test::TempDir dir;
    RecordingConsole rec;
};

TEST(LettersToCodes, LetterGenomeBecomesCodes) {
    CodingRun r;
    test::writeFile(r.dir.file("genome.txt"), "acgtACGTTg");
    const Settings s = r.settings("genome.txt", "genome");
    ASSERT_TRUE(r.run(s)) << r.rec.text();
    EXPECT_EQ(test::readFile(r.dir.file("genome.bin")), std::string("\0\1\2\3\0\1\2\3\3\2", 10));
    EXPECT_EQ(r.rec.text(), r.echo(s, "genome.bin") + "\ngenome: 10 bases\ncoded genome: " + r.dir.file("genome.bin"));
    EXPECT_EQ(r.rec.keyWaits(), 1);
    EXPECT_EQ(r.dir.listing(), (std::vector<std::string>{"genome.bin", "genome.txt", "params.txt"}));
}

TEST(LettersToCodes, LetterReadsBecomeCodedReadsInOrderWithoutTheUncodable) {
    CodingRun r;
    // CR LF and LF ends, a read with N (left out), an empty read (kept), a
    // last line without line feed.
    test::writeFile(r.dir.file("reads.txt"), "ACGT\r\nacgN\n\nTTGCA\nAc");
    Settings s = r.settings("reads.txt", "reads");
    s["outName"] = "coded";
    ASSERT_TRUE(r.run(s)) << r.rec.text();
    EXPECT_EQ(test::readFile(r.dir.file("coded.bin")), std::string("\0\1\2\3\n\n\3\3\2\1\0\n\0\1\n", 15));
    EXPECT_EQ(r.rec.text(), r.echo(s, "coded.bin") +
                                "\nreads: input=5, written=4, with other symbols than A, C, G, T (left out)=1"
                                "\ncoded reads: " +
                                r.dir.file("coded.bin"));
}

TEST(LettersToCodes, BadInputsAndSettingsLeaveNoResult) {
    struct Case {
        const char* what;
        std::string input, kind, bytes;
        std::string message;  // after the parameters; "P" is the input's path, "D" the result directory
        bool echoed = true;
    };
    const std::string longLine(5120, 'A');
    const std::vector<Case> cases = {
        {"a genome with a final line feed", "genome.txt", "genome", "ACGT\n",
         "\nP: 1 symbol other than A, C, G, T, at 5 (\\x0a); a letter genome file holds A, C, G, T only "
         "(fPrepGenome reads FASTA)"},
        {"a FASTA file given as a letter genome", "genome.txt", "genome", ">c\nAC",
         "\nP: 2 symbols other than A, C, G, T, at 1 ('>'), 3 (\\x0a); a letter genome file holds A, C, G, T "
         "only (fPrepGenome reads FASTA)"},
        {"an empty genome", "genome.txt", "genome", "", "\ngenome: empty file P"},
        {"a missing genome", "none.txt", "genome", "", "\ni can't open P"},
        {"a reads line longer than a line may be", "reads.txt", "reads", "ACGT\n" + longLine + "\nACGT\n",
         "\nline 2 of P is longer than 5119 characters: the reading stopped there"},
        {"missing reads", "none.txt", "reads", "", "\ni can't open\nP"},
        {"an unknown kind", "reads.txt", "fasta", "ACGT\n", "\nparameter fileKind = \"fasta\": write genome or reads",
         false},
        {"a result that would replace its input", "reads.bin", "reads", "ACGT\n",
         "\nresult file D/reads.bin is an input of this run"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CodingRun r;
        std::vector<std::string> files = {"params.txt"};
        if (c.input != "none.txt") {
            test::writeFile(r.dir.file(c.input), c.bytes);
            files.push_back(c.input);
        }
        const Settings s = r.settings(c.input, c.kind);
        EXPECT_FALSE(r.run(s));
        std::string message = c.message;
        if (const auto at = message.find('P'); at != std::string::npos) message.replace(at, 1, r.dir.file(c.input));
        if (const auto at = message.find("D/"); at != std::string::npos) message.replace(at, 2, r.dir.file(""));
        const std::string stem = c.input.substr(0, c.input.find('.'));
        EXPECT_EQ(r.rec.text(), (c.echoed ? r.echo(s, stem + ".bin") : "") + message);
        EXPECT_EQ(r.rec.keyWaits(), c.echoed ? 2 : 1);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(r.dir.listing(), files);
    }
}

}  // namespace
}  // namespace ruz
