// The grid's parameter rows: filling from a file and the lines written back.
#include "model/param_grid.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/qt_print.h"

namespace quellon {
namespace {

// n lines named "l0", "l1", ...
QStringList numberedLines(int n) {
    QStringList lines;
    for (int i = 0; i < n; ++i) lines.append(QStringLiteral("l%1").arg(i));
    return lines;
}

QStringList rowOf(const ParamGrid& grid, int row) {
    QStringList cells;
    for (int column = 0; column < ParamGrid::kColumns; ++column) cells.append(grid.cell(row, column));
    return cells;
}

TEST(ParamGrid, FillPutsFourLinesARowWithoutClearingFirst) {
    ParamGrid grid;
    grid.fill(numberedLines(12));
    EXPECT_EQ(rowOf(grid, 1), (QStringList{"l4", "l5", "l6", "l7"}));
    grid.fill({"a", "b", "c", "d", "e", "f"});
    // The sixth line lands in the second row's type cell; the rest stays.
    EXPECT_EQ(rowOf(grid, 1), (QStringList{"e", "f", "l6", "l7"}));
    EXPECT_EQ(rowOf(grid, 2), (QStringList{"l8", "l9", "l10", "l11"}));
}

TEST(ParamGrid, RecordsBeyondTheNinthAreKeptAndWrittenBack) {
    ParamGrid grid;
    const QStringList file = numberedLines(44);
    grid.fill(file);
    EXPECT_EQ(rowOf(grid, 8), (QStringList{"l32", "l33", "l34", "l35"}));
    EXPECT_EQ(grid.linesToWrite(), file);
    grid.fill(numberedLines(8));
    EXPECT_TRUE(grid.keptLines().isEmpty()) << "a shorter file has nothing to keep";
    grid.fill(file);
    grid.clear();
    EXPECT_TRUE(grid.linesToWrite().isEmpty());
}

TEST(ParamGrid, WritingStopsAtTheFirstEmptyCommentEvenIfLaterRowsHoldText) {
    ParamGrid grid;
    grid.fill(numberedLines(16));
    grid.setCell(2, ParamGrid::Comment, "");
    EXPECT_EQ(grid.linesToWrite(), numberedLines(8));
}

TEST(ParamGrid, FindsTheFirstRowWithAComment) {
    ParamGrid grid;
    grid.fill({"genome", "file", "pthGnm", "?", "task list", "file", "a", "t.txt",
               "task list", "file", "b", "u.txt"});
    EXPECT_EQ(grid.rowWithComment("task list"), 1);
    EXPECT_EQ(grid.rowWithComment("Task list"), -1);
}

TEST(ParamGrid, CellsOutsideTheGridAreAnError) {
    ParamGrid grid;
    EXPECT_THROW(grid.cell(ParamGrid::kRows, 0), std::out_of_range);
    EXPECT_THROW(grid.setCell(0, ParamGrid::kColumns, "x"), std::out_of_range);
    EXPECT_THROW(grid.cell(-1, 0), std::out_of_range);
}

}  // namespace
}  // namespace quellon
