// Runs remembered: each "run here" may go into a folder of its own below the
// result directory, `<diRes>/<function>_<date>-<time>/`, holding the
// parameter file the run used, the engine's console text and the results,
// so a repeated run never replaces an earlier one unasked; and the recent
// runs, kept across sessions, reopen a run's parameters and its results.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "param_grid.h"

namespace quellon {

// The file in a run's folder holding the engine's console text.
inline constexpr char kRunConsoleFileName[] = "console.txt";

// A new folder `<resultDirectory>/<function>_<yyyyMMdd-HHmmss>` (with "-2",
// "-3", ... when that is taken), made now. Throws LauncherError when it
// cannot be made.
QString makeRunFolder(const QString& resultDirectory, const QString& function, const QDateTime& when);

// The records of the grid with the result directory's value replaced by
// `runFolder`, written as `<runFolder>/<function>.txt`; returns its path.
// Throws LauncherError when it cannot be written.
QString writeRunParameters(const ParamGrid& grid, const QString& runFolder, const QString& function);

// A run as the recent-runs list keeps it.
struct RecentRun {
    QString function;
    QString parameterFile;    // the parameter file the run used
    QString resultDirectory;  // where its results went
    QString resultTable;      // its result table's name, or empty
    QDateTime when;
    int exitCode = 0;
    friend bool operator==(const RecentRun&, const RecentRun&) = default;
};

// The recent runs, newest first, at most kMostRecentRuns, in the
// application's settings.
class RecentRuns {
public:
    static constexpr int kMostRecentRuns = 20;

    static QList<RecentRun> load();
    // Adds a run at the top (a run of the same parameter file goes from its
    // older place) and saves the list.
    static QList<RecentRun> add(const RecentRun& run);

    // "RandExt, 2026-12-09 10:41, exit status 0: results/RandExt_20261209-104100"
    static QString label(const RecentRun& run);
};

}  // namespace quellon
