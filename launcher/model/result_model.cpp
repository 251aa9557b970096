#include "result_model.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace quellon {

namespace {

double numberOf(const QByteArray& cell) {
    bool number = false;
    const double value = cell.trimmed().toDouble(&number);
    return number ? value : ResultModel::kNoNumber;
}

QList<double> numbersOf(const QList<QByteArray>& cells) {
    QList<double> numbers;
    numbers.reserve(cells.size());
    for (const QByteArray& cell : cells) numbers.append(numberOf(cell));
    return numbers;
}

}  // namespace

QStringList ResultModel::row(int index) const {
    if (index < 0 || index >= rowCount()) return {};
    return reportFields(reportRow(index));
}

QList<double> ResultModel::columnNumbers(int column) const { return numbersOf(columnCells(column)); }

void ResultModel::sort(int column, Qt::SortOrder order) {
    const int rows = rowCount();
    QVector<int> sorted(rows);
    std::iota(sorted.begin(), sorted.end(), 0);
    if (column >= 0 && column < columnCount()) {
        const QList<QByteArray> cells = columnCells(column);
        const QList<double> numbers = numbersOf(cells);
        // Numbers first, by value; then texts.
        const auto less = [&](int a, int b) {
            const bool aNumber = !std::isnan(numbers.value(a, kNoNumber));
            const bool bNumber = !std::isnan(numbers.value(b, kNoNumber));
            if (aNumber != bNumber) return aNumber;
            if (aNumber) return numbers[a] < numbers[b];
            return cells.value(a) < cells.value(b);
        };
        if (order == Qt::AscendingOrder) {
            std::stable_sort(sorted.begin(), sorted.end(), less);
        } else {
            std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) { return less(b, a); });
        }
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Where each report row stood and stands now, for the persistent indexes.
    QVector<int> before(rows);
    for (int i = 0; i < rows; ++i) before[order_.isEmpty() ? i : order_[i]] = i;
    QVector<int> after(rows);
    for (int i = 0; i < rows; ++i) after[sorted[i]] = i;
    QVector<int> moved(rows);  // shown row before -> shown row after
    for (int r = 0; r < rows; ++r) moved[before[r]] = after[r];
    const QModelIndexList old = persistentIndexList();
    QModelIndexList now;
    for (const QModelIndex& index : old) now.append(this->index(moved.value(index.row()), index.column()));
    changePersistentIndexList(old, now);
    order_ = column >= 0 ? sorted : QVector<int>();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QVector<bool> ResultModel::reportRowsHolding(const QByteArray& lowerText) const {
    QVector<bool> holding(rowCount());
    for (int r = 0; r < rowCount(); ++r)
        holding[r] = reportFields(r).join(u'\t').toLatin1().toLower().contains(lowerText);
    return holding;
}

void RowFilter::setText(const QString& text) {
    lowerText_ = text.toLatin1().toLower();
    const auto* model = qobject_cast<const ResultModel*>(sourceModel());
    holding_ = model && !lowerText_.isEmpty() ? model->reportRowsHolding(lowerText_) : QVector<bool>();
    // A rebuild of the mapping: a filter change row range by row range costs
    // time quadratic in the rows when the kept rows lie scattered.
    invalidate();
}

// The proxy's source rows are the model's shown rows; a sort maps them.
bool RowFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (lowerText_.isEmpty()) return true;
    const auto* model = qobject_cast<const ResultModel*>(sourceModel());
    return model && holding_.value(model->reportRow(sourceRow), false);
}

QVariant ResultModel::cellData(const QString& text, int role) {
    if (role == Qt::DisplayRole) return text;
    if (role != kSortRole) return {};
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    return number ? QVariant(value) : QVariant(text);
}

}  // namespace quellon
