// Which reports are tables (and where their table starts), which are
// segments and which are text: the engine's report layouts, written by hand.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "model/launcher_error.h"
#include "model/report_layout.h"
#include "support/launcher_dir.h"

namespace quellon {
namespace {

TEST(ReportLayout, EachReportOfTheEngineAsItReads) {
    constexpr auto T = ReportShape::Table;
    constexpr auto S = ReportShape::Segments;
    constexpr auto X = ReportShape::Text;
    struct Case {
        const char* what;
        QByteArray head;
        bool whole;
        ReportShape shape;
        int tableLine;
        bool header;
        bool rows;
    };
    const Case cases[] = {
        {"replaced ends, rows", "posInSq\treadsAtPos\tentropy\n101\t7\t1.0790\n777\t7\t1.0790", true, T, 0, true, true},
        {"replaced ends, header only", "posInSq\treadsAtPos\tentropy", true, T, 0, true, false},
        {"header and a final line feed", "posInSq\treadsAtPos\n", true, T, 0, true, false},
        {"rating log", "program= x\ndir of reads= d/\ngenome= g.bin\n\npos\trating\n1201\t2\n2503\t1", true, T, 4,
         true, true},
        {"mapping log", "program= fMapReadsOnToSeq\ngenome= g\nsum length=90\nreadSz\tcases\n26\t3", true, T, 3,
         true, true},
        {"clusters after an empty line", "\nclPos\tclEnd\tclLength\tgap\n5\t30\t26", true, T, 1, true, true},
        {"clusters, none", "\nclPos\tclEnd\tclLength\tgap", true, T, 1, true, false},
        {"repeat lengths: numbers, no header", "\n1\t0.00\n2\t3.00", true, T, 1, false, true},
        {"weights split into files, CR LF", "1\t0.5\r\n2\t0\r\n", true, T, 0, false, true},
        {"circular", "program= Ruzovizu::fIdentifyCircularRna\ngenome= g\ndefective=1\tin genome=6\n"
                     "possible cycled Rna\n+-9\tacgTTT\n+\t-9\tacgttt", true, S, 0, true, true},
        {"circular, none", "program= Ruzovizu::fIdentifyCircularRna\ngenome= g\npossible cycled Rna", true, S, 0,
         true, false},
        {"parted", "upper strand\t1\n1201\ntgcTGA\n\nlower strand\t0", true, S, 0, true, true},
        {"parted, none", "upper strand\t0\n\nlower strand\t0", true, S, 0, true, false},
        {"replaced ends log, tabs inside", "proc=x\nrange=[0.6,1.3];\tmean=0.9;\nmean+3sigma=1.7;", true, X, 0, true,
         false},
        {"repeat log: a table then counts", "code\tsqSize\nlambda\t48502\nrinput multyLocation reads=346", true, X, 0,
         true, false},
        {"a log without tabs", "program= fReadsOutOfSeq\ninput reads= 346", true, X, 0, true, false},
        {"empty", "", true, X, 0, true, false},
        // The first 64 KiB of a longer table: its cut last line is not judged.
        {"cut head", "pos\tw\n1\t2\n3", false, T, 0, true, true},
        {"cut head, a cut line only", "program= x\nreadSz\tcases\n2", false, T, 1, true, false},
    };
    for (const Case& c : cases) {
        const ReportLayout layout = reportLayout(c.head, c.whole);
        EXPECT_EQ(layout.shape, c.shape) << c.what;
        EXPECT_EQ(layout.tableLine, c.tableLine) << c.what;
        EXPECT_EQ(layout.header, c.header) << c.what;
        EXPECT_EQ(layout.rows, c.rows) << c.what;
    }
}

TEST(ReportLayout, TheTextOfALongReportIsCut) {
    QTemporaryDir dir;
    const QString log = dir.filePath("log.txt");
    test_support::writeFile(log, "input=10\nwritten=4");
    bool cut = true;
    EXPECT_EQ(reportText(log, 100, cut), "input=10\nwritten=4");
    EXPECT_FALSE(cut);
    EXPECT_EQ(reportText(log, 8, cut), "input=10");
    EXPECT_TRUE(cut);
    EXPECT_THROW(reportText(dir.filePath("missing.txt"), 8, cut), LauncherError);
    EXPECT_EQ(reportLayoutOf(dir.filePath("missing.txt")).shape, ReportShape::Text);
}

}  // namespace
}  // namespace quellon
