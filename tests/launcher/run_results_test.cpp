// The files a run wrote and its newest table.
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
    // A run that wrote only a log shows its log; one without a ".txt" none.
    EXPECT_EQ(resultTable(dir.path(), {"new_aLog.txt", "notes.csv"}), "new_aLog.txt");
    EXPECT_EQ(resultTable(dir.path(), {"notes.csv"}), "");
}

}  // namespace
}  // namespace quellon
