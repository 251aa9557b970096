// The grid's records read from and written to a template.
#include <gtest/gtest.h>

#include "model/directory_list.h"
#include "model/launch_paths.h"
#include "model/launcher_error.h"
#include "model/param_grid.h"
#include "model/session.h"
#include "model/text_lines.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

using test_support::readFile;
using test_support::writeFile;

TEST(ParamGrid, FillKeepsCellsBeyondTheLinesAndWritingStopsAtAnEmptyComment) {
    ParamGrid grid;
    grid.fill({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
    grid.fill({"A", "B", "C", "D", "E", "F"});
    grid.setCell(2, ParamGrid::Comment, "");
    EXPECT_EQ(grid.linesToWrite(), (QStringList{"A", "B", "C", "D", "E", "F", "g", "h"}));
}

}  // namespace
}  // namespace quellon
