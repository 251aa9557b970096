// What the result view asks of a result, whatever its report's layout: the
// rows as a Qt item model (text as written; in kSortRole a number comes as a
// number), one row's fields, a whole column's cells for the plots, and a
// sort that reads the sorted column once. A view's sorting proxy would ask
// for two cells per comparison instead, which on a lazily read table of a
// million rows means tens of millions of reads.
#pragma once

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QVector>

#include <limits>

namespace quellon {

class ResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kSortRole = Qt::UserRole;
    // The value of a cell that is no number in columnNumbers().
    static constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();

    using QAbstractTableModel::QAbstractTableModel;

    // The fields of the row shown at `index` (0 for the first), in the
    // order the last sort left.
    QStringList row(int index) const;
    // The column's cells of every row, in the report's order (not the
    // sorted one), one entry a row.
    virtual QList<QByteArray> columnCells(int column) const = 0;
    // The same as numbers, kNoNumber where a cell is not a number.
    QList<double> columnNumbers(int column) const;
    // The column the plots take when the user has chosen none.
    virtual int valueColumn() const { return std::min(1, columnCount() - 1); }

    // For every report row, whether its text holds `lowerText` (lower case;
    // ASCII letters match in either case), as a filter asks.
    virtual QVector<bool> reportRowsHolding(const QByteArray& lowerText) const;
    // The report row shown at `index`.
    int reportRow(int index) const { return order_.isEmpty() ? index : order_.value(index, index); }

    // Numbers by value before other texts, texts by their characters; equal
    // cells keep the report's order. A column below 0 gives the report's
    // order back.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    // The fields of the report's row `reportRow`.
    virtual QStringList reportFields(int reportRow) const = 0;
    // Forgets a sort, for a model that reads another report.
    void clearOrder() { order_.clear(); }
    // A cell's text for the display role, its number (or text) for kSortRole.
    static QVariant cellData(const QString& text, int role);

private:
    QVector<int> order_;  // report rows in the shown order; empty: the report's
};

// A proxy that shows the rows of a ResultModel holding a text, asking the
// model once for all rows (it reads a table in one pass) instead of asking
// every cell's data.
class RowFilter final : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setText(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QByteArray lowerText_;
    QVector<bool> holding_;  // by report row
};

}  // namespace quellon
