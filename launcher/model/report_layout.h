// How a report's text is laid out, told from its first bytes, so that the
// result view shows each report the way it reads: as a table (its header
// line, or numbered columns when the first row is all numbers, after any
// head lines such as a log's counts), as the segments of the circular and
// parted reports, or as plain text.
#pragma once

#include <QByteArray>
#include <QString>

namespace quellon {

enum class ReportShape { Table, Segments, Text };

struct ReportLayout {
    ReportShape shape = ReportShape::Text;
    int tableLine = 0;    // a table's first line (0: the file's first line)
    bool header = true;   // that line names the columns
    bool rows = false;    // the report holds at least one result row
};

// The layout of a report beginning with `head`; `whole` says that `head` is
// the whole file (else its last, possibly cut, line is not judged). A table
// is the last stretch of lines holding a tab that runs to the end of `head`;
// the circular report begins with its program line, the parted report with
// "upper strand".
ReportLayout reportLayout(const QByteArray& head, bool whole);

// The layout of the report at `path`, from its first 64 KiB; Text when the
// file cannot be read.
ReportLayout reportLayoutOf(const QString& path);

// The text of a report for reading, at most its first `most` bytes (then
// `cut` is set). Throws LauncherError when the file cannot be read.
QString reportText(const QString& path, qint64 most, bool& cut);

}  // namespace quellon
