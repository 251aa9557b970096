// Runs remembered: a run's own folder, the parameter file it runs on, and
// the recent-runs list kept in the settings.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "model/launcher_error.h"
#include "model/run_history.h"
#include "model/text_lines.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(RunFolder, EachRunGetsAFolderOfItsOwnWithTheParametersItRunsOn) {
    QTemporaryDir dir;
    const QDateTime when(QDate(2026, 12, 9), QTime(10, 41, 7));
    const QString first = makeRunFolder(dir.path(), "RandExt", when);
    const QString second = makeRunFolder(dir.path(), "RandExt", when);  // the same second
    EXPECT_EQ(first, dir.filePath("RandExt_20261209-104107"));
    EXPECT_EQ(second, dir.filePath("RandExt_20261209-104107-2"));
    EXPECT_TRUE(QDir(second).exists());

    ParamGrid grid;
    grid.fill({"genome", "file", "pthGnm", "/g.txt", "result directory", "dir", "diRes", dir.path(), "size", "int",
               "immutSz", "20"});
    const QString parameters = writeRunParameters(grid, first, "RandExt");
    EXPECT_EQ(parameters, first + "/RandExt.txt");
    EXPECT_EQ(readLines(parameters), (QStringList{"genome", "file", "pthGnm", "/g.txt", "result directory", "dir",
                                                  "diRes", first, "size", "int", "immutSz", "20"}));

    EXPECT_THROW(makeRunFolder(dir.filePath("missing/deeper"), "RandExt", when), LauncherError);
}

TEST(RecentRuns, NewestFirstOncePerParameterFileAndAtMostTwenty) {
    QTemporaryDir settings;
    QCoreApplication::setOrganizationName(QStringLiteral("QuellonTests"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QSettings().clear();

    const QDateTime when(QDate(2026, 12, 9), QTime(10, 41));
    const auto run = [&](int n) {
        return RecentRun{"RandExt", QStringLiteral("/r/run%1/RandExt.txt").arg(n), QStringLiteral("/r/run%1").arg(n),
                         "t.txt", when.addSecs(n * 60), n % 2};
    };
    for (int n = 1; n <= 3; ++n) RecentRuns::add(run(n));
    EXPECT_EQ(RecentRuns::load(), (QList<RecentRun>{run(3), run(2), run(1)}));
    RecentRuns::add(run(1));  // run again: to the top, once
    EXPECT_EQ(RecentRuns::load(), (QList<RecentRun>{run(1), run(3), run(2)}));
    for (int n = 4; n <= 30; ++n) RecentRuns::add(run(n));
    const QList<RecentRun> kept = RecentRuns::load();
    EXPECT_EQ(kept.size(), RecentRuns::kMostRecentRuns);
    EXPECT_EQ(kept.first(), run(30));
    EXPECT_EQ(RecentRuns::label(run(2)), "RandExt, 2026-12-09 10:43, exit status 0: /r/run2");
    QSettings().clear();
}

}  // namespace
}  // namespace quellon
