// The numbers behind the launcher's plots, without the charts: the lengths
// of a reads file's reads (so that the sizes a function asks for can be
// picked from what the file holds), and a result table's column counted in
// bins or taken as points along the genome.
#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace quellon {

// Counts of values in bins [first + i * width, first + (i + 1) * width).
struct Histogram {
    double first = 0.0;
    double width = 1.0;
    QList<qint64> counts;
    qint64 total() const;
    // The value of the fullest bin's start (the first of equals).
    double mode() const;
};

// The read lengths of a reads file: one read a line (letters, or codes),
// or FASTQ / FASTA (plain; a record's sequence lines joined), bins of one
// base. A CR before the line feed is not counted. Reads of length 0 are not
// counted. Throws LauncherError when the file cannot be read.
Histogram readLengths(const QString& path);

// Values in `bins` equal bins from the smallest to the largest (which falls
// into the last bin); NaNs (cells that are no numbers) are left out.
Histogram spreadOf(const QList<double>& values, int bins);

// A table that is a histogram already (a value and its count a row, as the
// "readSz<TAB>cases" table of a log): bins of 1 from the smallest value on,
// each row's count added at its value's bin. A row with a NaN is left out,
// as is a value of more than a million bins beyond the smallest.
Histogram countsOf(const QList<double>& values, const QList<double>& counts);

// The pairs (x, y) of the rows where both are numbers, in row order.
QList<QPair<double, double>> pointsOf(const QList<double>& xs, const QList<double>& ys);

// The numbers of one column of a table file (TableFile's layout: head
// lines and header skipped) in `bins` bins. Throws LauncherError when the
// file cannot be read.
Histogram columnHistogram(const QString& table, int column, int bins);

// Points (x, y) of two numeric columns of a table file, in file order, each
// row once; a row whose cells are not numbers is left out.
QList<QPair<double, double>> columnPoints(const QString& table, int xColumn, int yColumn);

}  // namespace quellon
