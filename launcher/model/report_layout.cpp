#include "report_layout.h"

#include <QFile>
#include <QList>

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

constexpr qint64 kHeadBytes = qint64{1} << 16;

bool isNumber(const QByteArray& field) {
    bool number = false;
    field.trimmed().toDouble(&number);
    return number;
}

bool allNumbers(const QByteArray& line) {
    for (const QByteArray& field : line.split('\t'))
        if (!isNumber(field)) return false;
    return true;
}

QList<QByteArray> linesOf(const QByteArray& head, bool whole) {
    QList<QByteArray> lines = head.split('\n');
    if (!whole && lines.size() > 1) lines.removeLast();
    for (QByteArray& line : lines)
        if (line.endsWith('\r')) line.chop(1);
    // A final line feed ends the last line; it starts no line.
    if (whole && lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

ReportLayout reportLayout(const QByteArray& head, bool whole) {
    ReportLayout layout;
    const QList<QByteArray> lines = linesOf(head, whole);
    if (head.startsWith("program= Ruzovizu::fIdentifyCircularRna") || head.startsWith("upper strand\t")) {
        layout.shape = ReportShape::Segments;
        // Circular segments stand after the header's last line; parted ones
        // after their strand's line, as a position line.
        const bool circular = head.startsWith("program=");
        for (const QByteArray& line : lines) {
            if (circular ? (line.startsWith('+') || line.startsWith('-')) && line.contains('\t')
                         : !line.isEmpty() && isNumber(line))
                layout.rows = true;
        }
        return layout;
    }
    int start = static_cast<int>(lines.size());
    while (start > 0 && lines[start - 1].contains('\t')) --start;
    if (start == lines.size()) return layout;
    layout.shape = ReportShape::Table;
    layout.tableLine = start;
    layout.header = !allNumbers(lines[start]);
    layout.rows = lines.size() - start > (layout.header ? 1 : 0);
    return layout;
}

ReportLayout reportLayoutOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray head = file.read(kHeadBytes);
    return reportLayout(head, file.atEnd());
}

QString reportText(const QString& path, qint64 most, bool& cut) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw LauncherError(QStringLiteral("i can't open ") + nativePath(path));
    const QByteArray bytes = file.read(most);
    cut = !file.atEnd();
    return QString::fromLocal8Bit(bytes);
}

}  // namespace quellon
