// Where the launcher finds its Params folder, the modules and their programs.
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

TEST(LaunchPaths, ParamsFolderModuleDirectoryAndTheFileDialogsStart) {
    EXPECT_EQ(paramsDirectory("/opt/h"), "/opt/h/Params/");
    EXPECT_EQ(paramsDirectory("/opt/h/"), "/opt/h/Params/");
    EXPECT_EQ(moduleDirectory("this", "/opt/h/"), "/opt/h/");
    EXPECT_EQ(moduleDirectory("This", "/opt/h/"), "This/") << "only the exact word stands for it";
    EXPECT_EQ(moduleDirectory("/usr/lib/h", "/opt/h/"), "/usr/lib/h/");
    EXPECT_EQ(moduleDirectory("D:\\prog\\", "/opt/h/"), "D:\\prog\\");
    const QString paths[][2] = {
        {"/data/c.txt", "/data"}, {"C:\\data\\r.txt", "C:\\data"}, {"/c.txt", "/"}, {"c", ""}};
    for (const auto& [path, directory] : paths) EXPECT_EQ(directoryPart(path), directory) << path;
}

TEST(LaunchPaths, ExecutableNamedByTheModuleTextOrTheFunction) {
    const struct {
        ExecutableRule rule;
        QString text;
        QString executable;
    } cases[] = {
        {ExecutableRule::Windows, "Ruzovizu.exe", "/p/Ruzovizu.exe"},
        {ExecutableRule::Windows, "Ruzovizu", "/p/RandExt.exe"},
        {ExecutableRule::Windows, "Ruzovizu.EXE", "/p/RandExt.exe"},  // "exe" in this case only
        {ExecutableRule::Windows, "", "/p/RandExt.exe"},
        {ExecutableRule::Posix, "Ruzovizu", "/p/Ruzovizu"},
        {ExecutableRule::Posix, "", "/p/RandExt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(moduleExecutable("/p/", c.text, "RandExt", c.rule), c.executable) << c.text;
    }
}

}  // namespace
}  // namespace quellon
