// A result table (tab-separated lines, the first one its header) as a Qt
// item model that reads the file lazily: opening it finds where each line
// starts, and a row's text is read when a view asks for it, so a table of
// millions of rows opens at once. The cells show their text as written; in
// kSortRole a number comes as a number, so a sorting proxy orders a column
// of numbers by value.
#pragma once

#include <QAbstractTableModel>
#include <QFile>
#include <QHash>
#include <QStringList>
#include <QVector>

namespace quellon {

class TableFile final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kSortRole = Qt::UserRole;

    explicit TableFile(QObject* parent = nullptr);

    // Reads where the lines of `path` start. False (with `problem()` set)
    // when the file cannot be read.
    bool open(const QString& path);
    const QString& problem() const { return problem_; }
    QString path() const { return file_.fileName(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The fields of one data row (0 for the first line after the header).
    QStringList row(int index) const;

private:
    QString lineAt(qint64 start, qint64 end) const;

    mutable QFile file_;
    QString problem_;
    QStringList header_;
    QVector<qint64> starts_;  // the data lines' starts, and the file's end last
    int columns_ = 0;
    // Rows read lately; dropped whole when it grows large.
    mutable QHash<int, QStringList> cache_;
};

}  // namespace quellon
