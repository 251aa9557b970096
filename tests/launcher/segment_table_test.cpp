// The segments of the circular and parted reports, counted by hand from
// reports in the engine's layout.
#include <gtest/gtest.h>

#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include "model/launcher_error.h"
#include "model/segment_table.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    test_support::writeFile(dir.filePath(name), bytes);
    return dir.filePath(name);
}

TEST(SegmentTable, CircularAndPartedReportsAsSegments) {
    QTemporaryDir dir;
    const QString circular = write(dir, "c_RCircular.txt",
                                   "program= Ruzovizu::fIdentifyCircularRna\ngenome= g.txt\nreads= r.txt\n"
                                   "reads size scope by user=[20,100]\nReads::input=5\twirhin scope size=5\n"
                                   "defective=0\tin genome=1\tanalized=4\n"
                                   "circular on (+) strand=3; ncircular on (-) strand=1; circulars in total=4;\n"
                                   "possible cycled Rna\n"
                                   "+-9\ttgaTCAGcg\n+\t-9\ttgatcaGCG\n"
                                   "+1201\tttGCAa\n"
                                   "-4402\taaCCGt\r\n-\t4402\taaccGT");
    const QString parted = write(dir, "p_Parted.txt",
                                 "upper strand\t3\n-9\ntgaTCAGcg\ntgaTCAGcg\n1201\nttGCAa\n\n"
                                 "lower strand\t1\n4402\naaCCGt");
    const QList<Segment> expected{{-9, 2, '+', "tgaTCAGcg"}, {1201, 1, '+', "ttGCAa"}, {4402, 2, '-', "aaCCGt"}};
    EXPECT_EQ(readSegments(circular), expected);
    QList<Segment> partedExpected = expected;
    partedExpected[2].reads = 1;
    EXPECT_EQ(readSegments(parted), partedExpected);
    EXPECT_THROW(readSegments(dir.filePath("missing.txt")), LauncherError);

    SegmentTable table;
    ASSERT_TRUE(table.open(circular));
    EXPECT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.headerData(SegmentTable::kReads, Qt::Horizontal).toString(), "reads");
    EXPECT_EQ(table.row(2), (QStringList{"4402", "2", "-", "aaCCGt"}));
    EXPECT_EQ(table.columnNumbers(SegmentTable::kPosition), (QList<double>{-9, 1201, 4402}));
    EXPECT_EQ(table.columnNumbers(SegmentTable::kReads), (QList<double>{2, 1, 2}));
    EXPECT_TRUE(std::isnan(table.columnNumbers(SegmentTable::kStrand).value(0)));

    // Sorted by reads, most first; a filter on the strand.
    QSortFilterProxyModel rows;
    rows.setSourceModel(&table);
    rows.setSortRole(ResultModel::kSortRole);
    rows.sort(SegmentTable::kPosition, Qt::DescendingOrder);
    EXPECT_EQ(rows.index(2, 0).data().toString(), "-9") << "numbers by value, the negative last";
    rows.setFilterKeyColumn(SegmentTable::kStrand);
    rows.setFilterFixedString("-");
    EXPECT_EQ(rows.rowCount(), 1);

    EXPECT_FALSE(table.open(dir.filePath("missing.txt")));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(table.problem().startsWith("i can't open ")) << table.problem();
}

}  // namespace
}  // namespace quellon
