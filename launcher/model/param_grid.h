// The parameter rows of the main window's grid.
//
// A parameter file is a sequence of four-line records (comment, type, name,
// value). The grid shows at most nine of them, one a row. Lines beyond the
// ninth record are kept aside and written back after the grid's rows, so a
// longer file loses nothing when it is fixed.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace quellon {

class ParamGrid {
public:
    static constexpr int kRows = 9;
    static constexpr int kColumns = 4;
    enum Column { Comment = 0, Type = 1, Name = 2, Value = 3 };

    // Rows count from 0 for the first parameter row. Out-of-range indexes
    // throw std::out_of_range.
    const QString& cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);

    // Empties every cell and drops the kept lines.
    void clear();

    // Puts line i of a parameter file into row i / 4, column i % 4. Cells
    // beyond the lines given keep what they held; lines beyond the last row
    // replace the kept lines.
    void fill(const QStringList& lines);

    // The lines of the parameter file to write: every row from the first up
    // to the first with an empty comment, four lines a row, then the kept
    // lines.
    QStringList linesToWrite() const;

    // The first row whose comment is the given text, or -1.
    int rowWithComment(const QString& comment) const;

    const QStringList& keptLines() const { return kept_; }

private:
    std::array<std::array<QString, kColumns>, kRows> cells_;
    QStringList kept_;
};

}  // namespace quellon
