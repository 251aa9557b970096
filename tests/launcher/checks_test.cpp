// The model's rules behind the window: what a start refuses, where the small
// windows stand, what the engine's help tells and what a run wrote.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/engine_help.h"
#include "model/param_grid.h"
#include "model/run_results.h"
#include "model/screen_fit.h"
#include "model/value_check.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

#ifdef Q_OS_LINUX
// /proc can be listed but takes no new file, for root neither: only the
// result directory has to take the engine's reports.
TEST(ValueProblems, OnlyTheResultDirectoryMustTakeNewFiles) {
    ParamGrid grid;
    grid.fill({"reads folder", "dir", "diReads", "/proc", "results", "dir", "diRes", "/proc",
               "size", "int", "immutSz", "+12"});
    EXPECT_EQ(valueProblems(grid), QStringList{"row 2 (diRes): cannot be written: /proc"});
}
#endif

TEST(ScreenFit, AboutWindowBelowThenAboveThenAtTheBottomShortenedToItsRoom) {
    const QRect screen(0, 0, 1024, 640);
    const QRect main(12, 50, 1000, 440);  // bottom 489: 150 pixels below, 50 above
    const struct {
        int height;
        QRect mainFrame;
        QRect place;
    } cases[] = {
        {100, main, QRect(512, 490, 512, 100)},            // below, moved left onto the screen
        {300, main, QRect(512, 490, 512, 150)},            // below, shortened to the room
        {300, main.translated(0, 100), QRect(512, 0, 512, 150)},  // room above only
        {300, QRect(12, 80, 1000, 500), QRect(512, 340, 512, 300)},  // no room: the bottom
    };
    for (const auto& c : cases) {
        EXPECT_EQ(aboutWindowPlace(QSize(512, c.height), 106, c.mainFrame, 500, screen), c.place)
            << c.height;
    }
    EXPECT_EQ(fitInto(QRect(450, 70, 546, 640), screen), QRect(450, 0, 546, 640));
    EXPECT_EQ(fitInto(QRect(-20, 700, 2000, 100), screen), QRect(0, 540, 1024, 100));
}

TEST(EngineHelp, ProvidedAreTheFunctionsListedWithoutTheMark) {
    const QString help = "functions:\r\n  RandExt   replaced ends\r\n"
                         "  fIdentifyCircularRna  circles (not available in this version)\r\n"
                         "\r\n  later  not a function\r\n";
    EXPECT_EQ(providedFunctions(help), QStringList{"RandExt"});
    // Without the list the module cannot tell, and nothing is marked.
    EXPECT_EQ(providedFunctions("usage: Ruzovizu\n  RandExt  replaced ends\n"), std::nullopt);
}

// The file system's clock may stamp a file a little before the run's start:
// a file that was not there, or has another time, counts all the same.
TEST(RunResults, FilesTheRunCreatedOrChangedAndTheNewestTable) {
    const QTemporaryDir dir;
    const QDateTime start = QDateTime::currentDateTime();
    const QDateTime earlier = start.addSecs(-60);
    const auto write = [&](const char* name, const QDateTime& time) {
        test_support::writeFile(dir.filePath(name), name);
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    write("kept.txt", earlier);
    write("rewritten.txt", earlier.addSecs(-1));
    const FileTimes before = fileTimes(dir.path());
    write("rewritten.txt", earlier);
    write("new_a.txt", earlier);
    write("new_aLog.txt", start.addSecs(5));
    write("new_b.txt", start.addSecs(1));
    write("new_c.txt", start.addSecs(1));
    write("notes.csv", start.addSecs(9));
    const QStringList files = resultFiles(dir.path(), start, before);
    EXPECT_EQ(files, (QStringList{"new_a.txt", "new_aLog.txt", "new_b.txt", "new_c.txt",
                                  "notes.csv", "rewritten.txt"}));
    EXPECT_EQ(resultTable(dir.path(), files), "new_c.txt");
    EXPECT_EQ(resultTable(dir.path(), {"new_aLog.txt", "notes.csv"}), "");
}

}  // namespace
}  // namespace quellon
