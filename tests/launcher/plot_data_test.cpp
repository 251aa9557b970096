// The numbers behind the plots, counted by hand from small files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "model/launcher_error.h"
#include "model/plot_data.h"
#include "model/result_model.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    test_support::writeFile(dir.filePath(name), bytes);
    return dir.filePath(name);
}

TEST(PlotData, ReadLengthsOfEveryKindOfReadsFile) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QByteArray bytes;
        double first;
        QList<qint64> counts;
    };
    const Case cases[] = {
        // 4, 6, 4 (CR LF), 5; the empty line is no read.
        {"letters.txt", "ACGT\nACGTAC\r\nACGT\r\n\nACGTA", 4, {2, 1, 1}},
        {"codes.bin", QByteArray("\0\1\2\n\3\3\n\0\1\2\n", 11), 2, {1, 2}},
        // FASTQ: the sequence lines only (7 and 3 bases).
        {"reads.fq", "@r1\nACGTACG\n+\nIIIIIII\n@r2\nACG\n+\nIII\n", 3, {1, 0, 0, 0, 1}},
        // FASTA: a record's lines joined (5 + 3 = 8, then 2).
        {"reads.fa", ">a\nACGTA\nCCG\n>b\nAC\n", 2, {1, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        const Histogram h = readLengths(write(dir, c.name, c.bytes));
        EXPECT_EQ(h.first, c.first) << c.name;
        EXPECT_EQ(h.counts, c.counts) << c.name;
    }
    const Histogram letters = readLengths(dir.filePath("letters.txt"));
    EXPECT_EQ(letters.total(), 4);
    EXPECT_EQ(letters.mode(), 4.0);
    EXPECT_THROW(readLengths(dir.filePath("missing.txt")), LauncherError);
}

TEST(PlotData, AColumnInBinsAndTwoColumnsAsPoints) {
    QTemporaryDir dir;
    // RandExt's table: entropies 0.0, 0.5, 0.5, 1.0 (and a header, a row
    // without a number).
    const QString table = write(dir, "t.txt",
                                "posInSq\treadsAtPos\tentropy\n3\t4\t0.0000\n35\t2\t0.5000\n35\t2\t0.5000\n"
                                "32\t2\t1.0000\nx\ty\tz\n");
    const Histogram h = columnHistogram(table, 2, 4);  // bins of 0.25 from 0
    EXPECT_EQ(h.first, 0.0);
    EXPECT_EQ(h.width, 0.25);
    EXPECT_EQ(h.counts, (QList<qint64>{1, 0, 2, 1})) << "the largest value in the last bin";
    EXPECT_EQ(columnPoints(table, 0, 1),
              (QList<QPair<double, double>>{{3, 4}, {35, 2}, {35, 2}, {32, 2}}));
}

TEST(PlotData, ALogsTableAndATableOfCounts) {
    QTemporaryDir dir;
    // A rating log: head lines, then its table.
    const QString rating = write(dir, "_RatingLog.txt", "program= x\ngenome= g.bin\n\npos\trating\n1201\t2\n2503\t1");
    EXPECT_EQ(columnPoints(rating, 0, 1), (QList<QPair<double, double>>{{1201, 2}, {2503, 1}}));
    // A histogram already: lengths 26, 28 and 29 with their counts; the gap
    // at 27 is a bin of 0, the unreadable row is left out.
    const QList<double> lengths{28, 26, ResultModel::kNoNumber, 29};
    const QList<double> cases{5, 3, 7, 1};
    const Histogram h = countsOf(lengths, cases);
    EXPECT_EQ(h.first, 26.0);
    EXPECT_EQ(h.width, 1.0);
    EXPECT_EQ(h.counts, (QList<qint64>{3, 0, 5, 1}));
    EXPECT_EQ(countsOf({}, {}).counts, QList<qint64>());
    EXPECT_EQ(spreadOf({ResultModel::kNoNumber, 2.0, 2.0}, 3).counts, (QList<qint64>{2, 0, 0}))
        << "all equal: bins of 1 from the value";
    EXPECT_EQ(pointsOf({1, ResultModel::kNoNumber, 3}, {4, 5, ResultModel::kNoNumber}),
              (QList<QPair<double, double>>{{1, 4}}));
}

}  // namespace
}  // namespace quellon
