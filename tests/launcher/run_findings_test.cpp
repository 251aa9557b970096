// What a finished run found, in words: counts of its logs, and the warnings
// of an empty result and of most reads dropped or of another size; and the
// lazily read result table.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>

#include <cmath>

#include "model/run_findings.h"
#include "model/table_file.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

using test_support::writeFile;

TEST(RunFindings, EmptyResultsAndDroppedReadsAreSaidPlainly) {
    QTemporaryDir dir;
    // The bundled phage's RandExt 30/16/0: 2 of 346 reads of the size.
    writeFile(dir.filePath("r.txt"), "posInSq\treadsAtPos\tentropy\tstrand\tread's text\ttipNu");
    writeFile(dir.filePath("rLog.txt"),
          "proc=Ruzovizu::fCutRnaWithReplacedEnd\ngenome=/g.txt\nreads=/s1.txt\ninput=346; required read size=46; "
          "these reads=2: defected=0, longTracks=0\nanalyzed=2, fell into genome=0;");
    writeFile(dir.filePath("s1_PrepLog.txt"),
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
    writeFile(dir.filePath("r.txt"), "posInSq\treadsAtPos\n3\t4\n");
    writeFile(dir.filePath("rLog.txt"), "input=10; required read size=16; these reads=9: defected=0");
    EXPECT_EQ(runFindings(dir.path(), {"r.txt", "rLog.txt"}, "r.txt").warnings, QStringList());
}

TEST(TableFile, RowsReadOnDemandSortByValueAndFilterByText) {
    QTemporaryDir dir;
    writeFile(dir.filePath("t.txt"), "pos\treads\tstrand\n10\t4\t+\n9\t12\t-\r\n100\t1\t+\n35\t2");
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

TEST(TableFile, ATableAfterHeadLinesAndATableOfNumbersOnly) {
    QTemporaryDir dir;
    writeFile(dir.filePath("m_Log.txt"), "program= fMapReadsOnToSeq\ninto genome= 8\nreadSz\tcases\n26\t3\n28\t5");
    writeFile(dir.filePath("RepTest_g.txt"), "\n1\t0.00\n2\t3.00\n3\t0.00");
    TableFile table;
    ASSERT_TRUE(table.open(dir.filePath("m_Log.txt")));
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), "readSz");
    EXPECT_EQ(table.row(1), (QStringList{"28", "5"}));
    EXPECT_EQ(table.columnNumbers(1), (QList<double>{3, 5}));
    ASSERT_TRUE(table.open(dir.filePath("RepTest_g.txt")));
    EXPECT_EQ(table.rowCount(), 3) << "no header: every line a row";
    EXPECT_EQ(table.columnCount(), 2);
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), "2") << "numbered columns";
    EXPECT_EQ(table.row(0), (QStringList{"1", "0.00"}));
    EXPECT_EQ(table.columnNumbers(1), (QList<double>{0, 3, 0}));
}

// A heading's click sorts the model, reading the column once; the filter
// tests each row's text. A persistent index (the view's current cell)
// follows its row.
TEST(TableFile, TheModelSortsAndAProxyFiltersItsRows) {
    QTemporaryDir dir;
    writeFile(dir.filePath("t.txt"), "pos\treads\tstrand\n10\t4\t+\n9\tmany\t-\r\n100\t1\t+\n35\t4\t-\n7");
    TableFile table;
    ASSERT_TRUE(table.open(dir.filePath("t.txt")));
    const auto column = [&table](int c) {
        QStringList cells;
        for (int r = 0; r < table.rowCount(); ++r) cells.append(table.index(r, c).data().toString());
        return cells;
    };
    const QPersistentModelIndex current = table.index(1, 0);  // the row of 9
    struct Case {
        int column;
        Qt::SortOrder order;
        QStringList positions;
    };
    const Case cases[] = {
        // 1, 4, 4 (in the file's order), then the texts: the empty cell, "many"
        {1, Qt::AscendingOrder, {"100", "10", "35", "7", "9"}},
        {1, Qt::DescendingOrder, {"9", "7", "10", "35", "100"}},
        {0, Qt::AscendingOrder, {"7", "9", "10", "35", "100"}},
        {2, Qt::DescendingOrder, {"9", "35", "10", "100", "7"}},  // "-" after "+", the empty cell first
        {-1, Qt::AscendingOrder, {"10", "9", "100", "35", "7"}},  // the file's order back
    };
    for (const Case& c : cases) {
        table.sort(c.column, c.order);
        EXPECT_EQ(column(0), c.positions) << c.column << " " << c.order;
        EXPECT_EQ(current.data().toString(), "9") << "the current cell stays on its row";
    }
    const QList<double> reads = table.columnNumbers(1);  // in the file's order, whatever the sort
    ASSERT_EQ(reads.size(), 5);
    EXPECT_EQ(reads[0], 4);
    EXPECT_TRUE(std::isnan(reads[1]) && std::isnan(reads[4]));

    table.sort(0, Qt::DescendingOrder);
    RowFilter rows;
    rows.setSourceModel(&table);
    rows.setText("-");
    ASSERT_EQ(rows.rowCount(), 2);
    EXPECT_EQ(rows.index(0, 0).data().toString(), "35") << "in the sorted order";
    EXPECT_EQ(rows.index(1, 1).data().toString(), "many");
    rows.setText("MAN");
    EXPECT_EQ(rows.rowCount(), 1) << "either case";
    rows.setText("");
    EXPECT_EQ(rows.rowCount(), 5);
}

// The mapping onto the genome writes only a log: its table is the result,
// and an empty one is said so.
TEST(RunFindings, ALogThatHoldsTheResultTable) {
    QTemporaryDir dir;
    writeFile(dir.filePath("m_Log.txt"), "program= fMapReadsOnToSeq\ninput reads= 9\ninto genome= 0\nreadSz\tcases");
    const RunFindings found = runFindings(dir.path(), {"m_Log.txt"}, "m_Log.txt");
    EXPECT_EQ(found.warnings, QStringList{"the result table m_Log.txt holds no result: nothing was found"});
    writeFile(dir.filePath("o_Log.txt"), "program= fReadsOutOfSeq\ninput reads= 9");
    EXPECT_EQ(runFindings(dir.path(), {"o_Log.txt"}, "o_Log.txt").warnings, QStringList()) << "a log of counts only";
}

}  // namespace
}  // namespace quellon
