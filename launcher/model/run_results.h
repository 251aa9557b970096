// What a run of the engine left in its result directory, and how a run is
// told in one line.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace quellon {

// The plain files of a directory with their modification times; none for an
// empty path.
using FileTimes = QHash<QString, QDateTime>;
FileTimes fileTimes(const QString& directory);

// The files of the directory that the run created or changed, sorted by
// name: modified at or after `start`, or not there or with another time in
// `before`, the directory as it was when the run started. The second rule
// catches what a coarse file-system clock stamps a little before `start`.
QStringList resultFiles(const QString& directory, const QDateTime& start, const FileTimes& before);

// The main result among them: the newest ".txt" whose name does not end in
// "Log.txt"; of two equally new the later name. A run that writes only logs
// (the rating, the mapping onto the genome) has its newest log. Empty when
// there is no ".txt".
QString resultTable(const QString& directory, const QStringList& files);

// An elapsed time as people read it: "0.4 s", "12.0 s", "2 min 05 s",
// "1 h 07 min".
QString elapsedText(qint64 milliseconds);

// The last non-empty line of console text, without its line end.
QString lastLine(const QString& console);

}  // namespace quellon
