#include "segment_table.h"

#include <QFile>

#include <array>

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

constexpr std::array<const char*, SegmentTable::kColumns> kHeadings{"position", "reads", "strand", "segment"};

bool toPosition(const QByteArray& text, qint64& position) {
    bool number = false;
    position = text.trimmed().toLongLong(&number);
    return number;
}

// "+123\tletters" opens a segment, "+\t123\tletters" adds a read to it.
void circularLine(const QByteArray& line, QList<Segment>& segments) {
    if (line.size() < 2 || (line[0] != '+' && line[0] != '-')) return;
    const QList<QByteArray> fields = line.mid(1).split('\t');
    qint64 position = 0;
    if (fields.size() == 2 && toPosition(fields[0], position)) {
        segments.append({position, 1, line[0], QString::fromLatin1(fields[1])});
    } else if (fields.size() == 3 && fields[0].isEmpty() && !segments.isEmpty()) {
        ++segments.last().reads;
    }
}

// After a strand's line, a position line opens a segment and a letters line
// is one read of it.
void partedLine(const QByteArray& line, char& strand, QList<Segment>& segments) {
    qint64 position = 0;
    if (line.startsWith("upper strand")) {
        strand = '+';
    } else if (line.startsWith("lower strand")) {
        strand = '-';
    } else if (toPosition(line, position)) {
        segments.append({position, 0, strand, QString()});
    } else if (!line.isEmpty() && !segments.isEmpty()) {
        Segment& segment = segments.last();
        if (segment.reads++ == 0) segment.letters = QString::fromLatin1(line);
    }
}

}  // namespace

QList<Segment> readSegments(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw LauncherError(QStringLiteral("i can't open ") + nativePath(path));
    QList<Segment> segments;
    const bool circular = file.peek(8) == "program=";
    char strand = '+';
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        if (circular) {
            circularLine(line, segments);
        } else {
            partedLine(line, strand, segments);
        }
    }
    return segments;
}

SegmentTable::SegmentTable(QObject* parent) : ResultModel(parent) {}

bool SegmentTable::open(const QString& path) {
    beginResetModel();
    segments_.clear();
    problem_.clear();
    clearOrder();
    bool read = true;
    try {
        segments_ = readSegments(path);
    } catch (const LauncherError& failure) {
        problem_ = failure.message();
        read = false;
    }
    endResetModel();
    return read;
}

int SegmentTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(segments_.size());
}

int SegmentTable::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QStringList SegmentTable::reportFields(int index) const {
    if (index < 0 || index >= rowCount()) return {};
    const Segment& s = segments_[index];
    return {QString::number(s.position), QString::number(s.reads), QString(QLatin1Char(s.strand)), s.letters};
}

QVariant SegmentTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    return cellData(row(index.row()).value(index.column()), role);
}

QVariant SegmentTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    return section >= 0 && section < kColumns ? QVariant(QLatin1String(kHeadings[section])) : QVariant();
}

QList<QByteArray> SegmentTable::columnCells(int column) const {
    QList<QByteArray> cells;
    for (int r = 0; r < rowCount(); ++r) cells.append(reportFields(r).value(column).toLatin1());
    return cells;
}

}  // namespace quellon
