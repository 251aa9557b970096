#include "plot_data.h"

#include <QFile>

#include <algorithm>
#include <cmath>

#include "launcher_error.h"
#include "text_lines.h"

namespace quellon {

namespace {

void openForReading(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw LauncherError(QStringLiteral("i can't open ") + nativePath(file.fileName()));
}

qsizetype lengthWithoutCr(const QByteArray& line) {
    qsizetype n = line.size();
    if (n > 0 && line[n - 1] == '\n') --n;
    if (n > 0 && line[n - 1] == '\r') --n;
    return n;
}

void count(QList<qint64>& counts, qsizetype length) {
    if (length <= 0) return;
    if (counts.size() <= length) counts.resize(length + 1);
    ++counts[length];
}

// Every numeric cell of a column, its header skipped.
QList<double> columnValues(const QString& table, int column) {
    QFile file(table);
    openForReading(file);
    QList<double> values;
    file.readLine();  // the header
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        if (column >= fields.size()) continue;
        bool number = false;
        const double value = fields[column].trimmed().toDouble(&number);
        if (number) values.append(value);
    }
    return values;
}

}  // namespace

qint64 Histogram::total() const {
    qint64 sum = 0;
    for (const qint64 c : counts) sum += c;
    return sum;
}

double Histogram::mode() const {
    const auto fullest = std::max_element(counts.begin(), counts.end());
    return fullest == counts.end() ? first : first + width * static_cast<double>(fullest - counts.begin());
}

Histogram readLengths(const QString& path) {
    QFile file(path);
    openForReading(file);
    QList<qint64> counts;
    const QByteArray head = file.peek(1);
    if (head == "@") {
        // FASTQ: the second line of every four.
        for (qint64 line = 0; !file.atEnd(); ++line) {
            const QByteArray text = file.readLine();
            if (line % 4 == 1) count(counts, lengthWithoutCr(text));
        }
    } else if (head == ">") {
        qsizetype record = -1;
        while (!file.atEnd()) {
            const QByteArray text = file.readLine();
            if (text.startsWith('>')) {
                count(counts, record);
                record = 0;
            } else {
                record += lengthWithoutCr(text);
            }
        }
        count(counts, record);
    } else {
        while (!file.atEnd()) count(counts, lengthWithoutCr(file.readLine()));
    }
    // From the shortest read on.
    const auto first = std::find_if(counts.begin(), counts.end(), [](qint64 c) { return c > 0; });
    Histogram h;
    h.first = static_cast<double>(first - counts.begin());
    h.width = 1.0;
    h.counts = QList<qint64>(first, counts.end());
    return h;
}

Histogram columnHistogram(const QString& table, int column, int bins) {
    const QList<double> values = columnValues(table, column);
    Histogram h;
    if (values.isEmpty() || bins <= 0) return h;
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    h.first = *lowest;
    h.width = *highest > *lowest ? (*highest - *lowest) / bins : 1.0;
    h.counts = QList<qint64>(bins, 0);
    for (const double v : values) {
        const int bin = std::min(bins - 1, static_cast<int>(std::floor((v - h.first) / h.width)));
        ++h.counts[bin];
    }
    return h;
}

QList<QPair<double, double>> columnPoints(const QString& table, int xColumn, int yColumn) {
    QFile file(table);
    openForReading(file);
    QList<QPair<double, double>> points;
    file.readLine();
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        if (xColumn >= fields.size() || yColumn >= fields.size()) continue;
        bool xNumber = false, yNumber = false;
        const double x = fields[xColumn].trimmed().toDouble(&xNumber);
        const double y = fields[yColumn].trimmed().toDouble(&yNumber);
        if (xNumber && yNumber) points.append({x, y});
    }
    return points;
}

}  // namespace quellon
