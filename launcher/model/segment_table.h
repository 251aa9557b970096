// The segments of the circular and parted reports as a table: where a
// segment starts on the upper strand (a start of 0 or below is a segment
// across the genome's end), how many reads it holds, the strand they were
// found on, and the segment's letters as the first read shows them (its seed
// or key in capitals). The reports are small (their record lists are
// bounded), so the segments are read whole.
#pragma once

#include <QList>
#include <QString>

#include "result_model.h"

namespace quellon {

struct Segment {
    qint64 position = 0;
    int reads = 0;
    char strand = '+';
    QString letters;

    bool operator==(const Segment&) const = default;
};

// The segments of a circular report ("+123<TAB>letters" opens a segment,
// "+<TAB>123<TAB>letters" is a further read of it) or of a parted report
// (after "upper strand<TAB>n" or "lower strand<TAB>n", a position line opens
// a segment and each letters line is one read of it), in the report's
// order. Throws LauncherError when the file cannot be read.
QList<Segment> readSegments(const QString& path);

class SegmentTable final : public ResultModel {
    Q_OBJECT
public:
    enum Column { kPosition, kReads, kStrand, kLetters, kColumns };

    explicit SegmentTable(QObject* parent = nullptr);

    // Reads the segments of `path`; false (with `problem()` set) when the
    // file cannot be read.
    bool open(const QString& path);
    const QString& problem() const { return problem_; }
    const QList<Segment>& segments() const { return segments_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QList<QByteArray> columnCells(int column) const override;
    int valueColumn() const override { return kReads; }

protected:
    QStringList reportFields(int reportRow) const override;

private:
    QList<Segment> segments_;
    QString problem_;
};

}  // namespace quellon
