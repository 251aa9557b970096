#include "table_file.h"

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

TableFile::TableFile(QObject* parent) : QAbstractTableModel(parent) {}

bool TableFile::open(const QString& path) {
    beginResetModel();
    file_.close();
    file_.setFileName(path);
    starts_.clear();
    header_.clear();
    cache_.clear();
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
    // The header is the first line; the others are rows.
    if (lineStarts.size() >= 2) {
        header_ = fieldsOf(lineAt(lineStarts[0], lineStarts[1]));
        starts_ = lineStarts.mid(1);
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

QStringList TableFile::row(int index) const {
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
    const QString& text = fields[index.column()];
    if (role == Qt::DisplayRole) return text;
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    return number ? QVariant(value) : QVariant(text);
}

QVariant TableFile::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section < header_.size() ? QVariant(header_[section]) : QVariant(QString::number(section + 1));
}

}  // namespace quellon
