// What a start refuses among the values of the grid.
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

}  // namespace
}  // namespace quellon
