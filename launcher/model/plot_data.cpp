#include "plot_data.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>

#include "launcher_error.h"
#include "table_file.h"
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

void openTable(TableFile& table, const QString& path) {
    if (!table.open(path)) throw LauncherError(table.problem());
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

Histogram spreadOf(const QList<double>& values, int bins) {
    Histogram h;
    QList<double> numbers;
    for (const double v : values)
        if (!std::isnan(v)) numbers.append(v);
    if (numbers.isEmpty() || bins <= 0) return h;
    const auto [lowest, highest] = std::minmax_element(numbers.begin(), numbers.end());
    h.first = *lowest;
    h.width = *highest > *lowest ? (*highest - *lowest) / bins : 1.0;
    h.counts = QList<qint64>(bins, 0);
    for (const double v : numbers) {
        const int bin = std::min(bins - 1, static_cast<int>(std::floor((v - h.first) / h.width)));
        ++h.counts[bin];
    }
    return h;
}

Histogram countsOf(const QList<double>& values, const QList<double>& counts) {
    constexpr double kMostBins = 1e6;
    Histogram h;
    const qsizetype rows = std::min(values.size(), counts.size());
    double lowest = std::numeric_limits<double>::infinity();
    for (qsizetype i = 0; i < rows; ++i)
        if (!std::isnan(values[i]) && !std::isnan(counts[i])) lowest = std::min(lowest, std::floor(values[i]));
    if (std::isinf(lowest)) return h;
    h.first = lowest;
    for (qsizetype i = 0; i < rows; ++i) {
        if (std::isnan(values[i]) || std::isnan(counts[i])) continue;
        const double bin = std::floor(values[i]) - lowest;
        if (bin >= kMostBins) continue;
        if (h.counts.size() <= bin) h.counts.resize(static_cast<qsizetype>(bin) + 1);
        h.counts[static_cast<qsizetype>(bin)] += static_cast<qint64>(counts[i]);
    }
    return h;
}

QList<QPair<double, double>> pointsOf(const QList<double>& xs, const QList<double>& ys) {
    QList<QPair<double, double>> points;
    const qsizetype rows = std::min(xs.size(), ys.size());
    for (qsizetype i = 0; i < rows; ++i)
        if (!std::isnan(xs[i]) && !std::isnan(ys[i])) points.append({xs[i], ys[i]});
    return points;
}

Histogram columnHistogram(const QString& path, int column, int bins) {
    TableFile table;
    openTable(table, path);
    return spreadOf(table.columnNumbers(column), bins);
}

QList<QPair<double, double>> columnPoints(const QString& path, int xColumn, int yColumn) {
    TableFile table;
    openTable(table, path);
    return pointsOf(table.columnNumbers(xColumn), table.columnNumbers(yColumn));
}

}  // namespace quellon
