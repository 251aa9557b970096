// Where the Params files, the call file and the module executable lie.
#include "model/launch_paths.h"

#include <gtest/gtest.h>

#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(LaunchPaths, ParamsFolderAndParameterFile) {
    EXPECT_EQ(paramsDirectory("/opt/helixa/"), "/opt/helixa/Params/");
    EXPECT_EQ(paramsDirectory("/opt/helixa"), "/opt/helixa/Params/");
    EXPECT_EQ(parameterFilePath("/opt/helixa/Params/", "RandExt"), "/opt/helixa/Params/RandExt.txt");
}

TEST(LaunchPaths, ModuleDirectoryThisIsTheLauncherDirectory) {
    EXPECT_EQ(moduleDirectory("this", "/opt/helixa/"), "/opt/helixa/");
    EXPECT_EQ(moduleDirectory("This", "/opt/helixa/"), "This/") << "only the exact word stands for it";
}

TEST(LaunchPaths, ModuleDirectoryGetsOneTrailingSeparator) {
    EXPECT_EQ(moduleDirectory("/usr/lib/helixa/", "/opt/"), "/usr/lib/helixa/");
    EXPECT_EQ(moduleDirectory("/usr/lib/helixa", "/opt/"), "/usr/lib/helixa/");
    EXPECT_EQ(moduleDirectory("D:\\prog\\", "/opt/"), "D:\\prog\\");
}

TEST(LaunchPaths, WindowsRuleLooksForExeInTheModuleText) {
    const auto rule = ExecutableRule::Windows;
    EXPECT_EQ(moduleExecutable("D:\\p\\", "Ruzovizu.exe", "RandExt", rule), "D:\\p\\Ruzovizu.exe");
    EXPECT_EQ(moduleExecutable("D:\\p\\", "", "fTestGenomeSborka", rule),
              "D:\\p\\fTestGenomeSborka.exe");
    EXPECT_EQ(moduleExecutable("D:\\p\\", "Ruzovizu", "RandExt", rule), "D:\\p\\RandExt.exe");
    EXPECT_EQ(moduleExecutable("D:\\p\\", "Ruzovizu.EXE", "RandExt", rule), "D:\\p\\RandExt.exe")
        << "the letters exe are looked for case-sensitively";
}

TEST(LaunchPaths, PosixRuleTakesAnyModuleTextAndNeverAddsExe) {
    const auto rule = ExecutableRule::Posix;
    EXPECT_EQ(moduleExecutable("/opt/h/", "Ruzovizu", "RandExt", rule), "/opt/h/Ruzovizu");
    EXPECT_EQ(moduleExecutable("/opt/h/", "", "fTestGenomeSborka", rule), "/opt/h/fTestGenomeSborka");
}

TEST(LaunchPaths, CallFileHoldsPathLineFeedAndNameOnly) {
    EXPECT_EQ(callFilePath("/opt/h/"), "/opt/h/_ParamsOfFunc.txt");
    const QString parameterFile = "/opt/h/Params/RandExt.txt";
    const QByteArray content = callFileContent(parameterFile, "RandExt");
    EXPECT_EQ(content, QByteArray("/opt/h/Params/RandExt.txt\nRandExt"));
    EXPECT_EQ(content.size(), parameterFile.size() + 1 + 7);
}

TEST(LaunchPaths, DirectoryPartHasNoTrailingSeparator) {
    EXPECT_EQ(directoryPart("/data/genomes/chr1.txt"), "/data/genomes");
    EXPECT_EQ(directoryPart("C:\\data\\reads.txt"), "C:\\data");
    EXPECT_EQ(directoryPart("/chr1.txt"), "/");
    EXPECT_EQ(directoryPart("chr1.txt"), "");
    EXPECT_EQ(directoryPart(""), "");
}

}  // namespace
}  // namespace quellon
