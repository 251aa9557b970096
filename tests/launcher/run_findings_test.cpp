// What a finished run found, in words: counts of its logs, and the warnings
// of an empty result and of most reads dropped or of another size; and the
// lazily read result table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include "model/run_findings.h"
#include "model/table_file.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(RunFindings, EmptyResultsAndDroppedReadsAreSaidPlainly) {
    QTemporaryDir dir;
    // The bundled phage's RandExt 30/16/0: 2 of 346 reads of the size.
    write(dir.filePath("r.txt"), "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu");
    write(dir.filePath("rLog.txt"),
          "proc=Ruzovizu::fCutRnaWithReplacedEnd\ngenome=/g.txt\nreads=/s1.txt\ninput=346; required read size=46; "
          "these reads=2: defected=0, longTracks=0\nanalyzed=2, fell into genome=0;");
    write(dir.filePath("s1_PrepLog.txt"),
          "fPrepReads\ninput=1000\nwritten=346\ntoo short=0\ntoo long=0\nwith N=654 (dropped)");
    const RunFindings found = runFindings(dir.path(), {"r.txt", "rLog.txt", "s1_PrepLog.txt"}, "r.txt");
    EXPECT_EQ(found.warnings,
              (QStringList{"the result table r.txt holds no result: nothing was found",
                           "only 2 of 346 reads are 46 bases long, the read size the settings ask for "
                           "(immutSz + mutTipSz)",
                           "654 of 1,000 reads were dropped for holding N"}));
    EXPECT_EQ(found.counts.first(), "input=346; required read size=46; these reads=2: defected=0, longTracks=0");
    EXPECT_TRUE(found.counts.contains("with N=654 (dropped)"));

    // A table with rows and most reads kept: counts only.
    write(dir.filePath("r.txt"), "posInSq\treadsAtPos\n3\t4\n");
    write(dir.filePath("rLog.txt"), "input=10; required read size=16; these reads=9: defected=0");
    EXPECT_EQ(runFindings(dir.path(), {"r.txt", "rLog.txt"}, "r.txt").warnings, QStringList());
}

TEST(TableFile, RowsReadOnDemandSortByValueAndFilterByText) {
    QTemporaryDir dir;
    write(dir.filePath("t.txt"), "pos\treads\tstrand\n10\t4\t+\n9\t12\t-\r\n100\t1\t+\n35\t2");
    TableFile table;
    ASSERT_TRUE(table.open(dir.filePath("t.txt")));
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(table.columnCount(), 3);
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "reads");
    EXPECT_EQ(table.row(1), (QStringList{"9", "12", "-"})) << "CR LF lines lose their CR";
    EXPECT_EQ(table.row(3), (QStringList{"35", "2"})) << "the last line without its line feed";

    QSortFilterProxyModel rows;
    rows.setSourceModel(&table);
    rows.setSortRole(TableFile::kSortRole);
    rows.sort(0, Qt::AscendingOrder);
    QStringList order;
    for (int r = 0; r < rows.rowCount(); ++r) order.append(rows.index(r, 0).data().toString());
    EXPECT_EQ(order, (QStringList{"9", "10", "35", "100"})) << "by value, not as text";
    rows.setFilterKeyColumn(-1);
    rows.setFilterFixedString("-");
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.index(0, 1).data().toString(), "12");

    EXPECT_FALSE(table.open(dir.filePath("missing.txt")));
    EXPECT_TRUE(table.problem().startsWith("i can't read ")) << table.problem();
    EXPECT_EQ(table.rowCount(), 0);
}

}  // namespace
}  // namespace quellon
