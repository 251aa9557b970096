// A result table (tab-separated lines under a header line, after any head
// lines, as in a log) as an item model that reads the
// file lazily: opening it finds where each line starts, and a row's text is
// read when a view asks for it, so a table of millions of rows opens at
// once. A table whose first line is all numbers has no header; its columns
// are numbered.
#pragma once

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QVector>

#include "result_model.h"

namespace quellon {

class TableFile final : public ResultModel {
    Q_OBJECT
public:
    explicit TableFile(QObject* parent = nullptr);

    // Reads where the lines of `path` start and where its table begins.
    // False (with `problem()` set) when the file cannot be read.
    bool open(const QString& path);
    const QString& problem() const { return problem_; }
    QString path() const { return file_.fileName(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    QList<QByteArray> columnCells(int column) const override;
    QVector<bool> reportRowsHolding(const QByteArray& lowerText) const override;

protected:
    // The fields of one data row (0 for the first line after the header).
    QStringList reportFields(int reportRow) const override;

private:
    QString lineAt(qint64 start, qint64 end) const;
    // Calls `take(row, line, length)` for every data row in the file's order,
    // reading the file in blocks; stops early when `take` returns false.
    template <typename Take>
    void forEachRow(Take take) const;

    mutable QFile file_;
    QString problem_;
    QStringList header_;
    QVector<qint64> starts_;  // the data lines' starts, and the file's end last
    int columns_ = 0;
    // Rows read lately; dropped whole when it grows large.
    mutable QHash<int, QStringList> cache_;
};

}  // namespace quellon
