#include "param_grid.h"

namespace quellon {

const QString& ParamGrid::cell(int row, int column) const {
    return cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column));
}

void ParamGrid::setCell(int row, int column, const QString& text) {
    cells_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text;
}

void ParamGrid::clear() {
    for (auto& row : cells_) row.fill(QString());
    kept_.clear();
}

void ParamGrid::fill(const QStringList& lines) {
    constexpr int shown = kRows * kColumns;
    for (int i = 0; i < lines.size() && i < shown; ++i) {
        setCell(i / kColumns, i % kColumns, lines[i]);
    }
    kept_ = lines.mid(shown);
}

QStringList ParamGrid::linesToWrite() const {
    QStringList lines;
    for (const auto& row : cells_) {
        if (row[Comment].isEmpty()) break;
        for (const QString& text : row) lines.append(text);
    }
    lines.append(kept_);
    return lines;
}

int ParamGrid::rowWithComment(const QString& comment) const {
    for (int row = 0; row < kRows; ++row) {
        if (cell(row, Comment) == comment) return row;
    }
    return -1;
}

}  // namespace quellon
