// What a finished run found, in plain words: the count lines of its logs and
// warnings a biologist should not miss (an empty result table, most reads
// dropped or not of the size the settings ask for), which otherwise stand
// only in the log.
#pragma once

#include <QString>
#include <QStringList>

namespace quellon {

struct RunFindings {
    QStringList counts;    // the logs' lines that give counts ("name=value")
    QStringList warnings;  // one sentence each
};

// Reads the logs ("...Log.txt") and the result table among `files` of the
// result directory.
RunFindings runFindings(const QString& resultDirectory, const QStringList& files, const QString& resultTable);

}  // namespace quellon
