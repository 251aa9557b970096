#include "table_file.h"

#include "report_layout.h"

#include <algorithm>
#include <cstring>

namespace quellon {

namespace {

constexpr qint64 kScanBlock = qint64{1} << 20;
constexpr int kCachedRows = 4096;

QStringList fieldsOf(const QString& line) {
    QString text = line;
    if (text.endsWith(u'\r')) text.chop(1);
    return text.split(u'\t');
}

}  // namespace

TableFile::TableFile(QObject* parent) : ResultModel(parent) {}

bool TableFile::open(const QString& path) {
    beginResetModel();
    file_.close();
    file_.setFileName(path);
    starts_.clear();
    header_.clear();
    cache_.clear();
    clearOrder();
    columns_ = 0;
    problem_.clear();
    const bool opened = file_.open(QIODevice::ReadOnly);
    if (!opened) {
        problem_ = QStringLiteral("i can't read %1: %2").arg(path, file_.errorString());
        endResetModel();
        return false;
    }
    // Where every line starts; a last line without its line feed counts.
    QVector<qint64> lineStarts{0};
    QByteArray block;
    for (qint64 at = 0; !(block = file_.read(kScanBlock)).isEmpty(); at += block.size()) {
        for (qsizetype i = block.indexOf('\n'); i >= 0; i = block.indexOf('\n', i + 1))
            lineStarts.append(at + i + 1);
    }
    const qint64 size = file_.size();
    if (lineStarts.last() != size) lineStarts.append(size);
    // The table's first line is its header unless it holds numbers only.
    const ReportLayout layout = reportLayoutOf(path);
    const int first = layout.shape == ReportShape::Table ? layout.tableLine : 0;
    if (lineStarts.size() >= first + 2) {
        if (layout.header) header_ = fieldsOf(lineAt(lineStarts[first], lineStarts[first + 1]));
        starts_ = lineStarts.mid(layout.header ? first + 1 : first);
    }
    columns_ = static_cast<int>(header_.size());
    // A row with more fields than the header widens the table.
    for (int r = 0; r < std::min(rowCount(), 100); ++r) columns_ = std::max(columns_, static_cast<int>(row(r).size()));
    endResetModel();
    return true;
}

QString TableFile::lineAt(qint64 start, qint64 end) const {
    file_.seek(start);
    QByteArray bytes = file_.read(end - start);
    if (bytes.endsWith('\n')) bytes.chop(1);
    return QString::fromLocal8Bit(bytes);
}

int TableFile::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || starts_.size() < 2) return 0;
    return static_cast<int>(starts_.size() - 1);
}

int TableFile::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QStringList TableFile::reportFields(int index) const {
    if (index < 0 || index >= rowCount()) return {};
    if (const auto found = cache_.constFind(index); found != cache_.constEnd()) return *found;
    if (cache_.size() >= kCachedRows) cache_.clear();
    const QStringList fields = fieldsOf(lineAt(starts_[index], starts_[index + 1]));
    cache_.insert(index, fields);
    return fields;
}

QVariant TableFile::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != kSortRole)) return {};
    const QStringList fields = row(index.row());
    if (index.column() >= fields.size()) return role == kSortRole ? QVariant(QString()) : QVariant();
    return cellData(fields[index.column()], role);
}

template <typename Take>
void TableFile::forEachRow(Take take) const {
    const int rows = rowCount();
    if (rows == 0) return;
    file_.seek(starts_.first());
    qint64 remaining = starts_.last() - starts_.first();
    QByteArray block;
    int row = 0;
    while (remaining > 0 && row < rows) {
        const QByteArray more = file_.read(std::min(kScanBlock, remaining));
        if (more.isEmpty()) return;
        remaining -= more.size();
        block += more;
        qsizetype lineStart = 0;
        for (qsizetype end; row < rows && (end = block.indexOf('\n', lineStart)) >= 0; lineStart = end + 1)
            if (!take(row++, block.constData() + lineStart, end - lineStart)) return;
        block.remove(0, lineStart);
    }
    if (!block.isEmpty() && row < rows) take(row, block.constData(), block.size());
}

QVector<bool> TableFile::reportRowsHolding(const QByteArray& lowerText) const {
    QVector<bool> holding(rowCount());
    forEachRow([&](int row, const char* line, qsizetype length) {
        holding[row] = QByteArray::fromRawData(line, length).toLower().contains(lowerText);
        return true;
    });
    return holding;
}

// One pass without the row cache; a row without the column gives an empty
// cell.
QList<QByteArray> TableFile::columnCells(int column) const {
    QList<QByteArray> cells;
    if (column < 0) return cells;
    cells.reserve(rowCount());
    forEachRow([&](int, const char* line, qsizetype length) {
        qsizetype at = 0;
        for (int c = 0; c < column && at <= length; ++c) {
            const void* tab = std::memchr(line + at, '\t', static_cast<size_t>(length - at));
            at = tab ? static_cast<const char*>(tab) - line + 1 : length + 1;
        }
        if (at > length) {
            cells.append(QByteArray());
            return true;
        }
        const void* tab = std::memchr(line + at, '\t', static_cast<size_t>(length - at));
        qsizetype end = tab ? static_cast<const char*>(tab) - line : length;
        if (end > at && line[end - 1] == '\r') --end;
        cells.append(QByteArray(line + at, end - at));
        return true;
    });
    cells.resize(rowCount());
    return cells;
}

QVariant TableFile::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < header_.size() ? QVariant(header_[section]) : QVariant(QString::number(section + 1));
}

}  // namespace quellon
