// Reading the Params files into lines and replacing files in one step.
#include "model/text_lines.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "model/launcher_error.h"
#include "support/launcher_dir.h"
#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(SplitLines, BreaksAtCrLfLfOrCrKeepsBlanksAndStopsAtZero) {
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\r\n"), QStringList{"a"}) << "a final break adds no line";
    EXPECT_EQ(splitLines("a\n\nb\n\n"), (QStringList{"a", "", "b", ""}));
    EXPECT_EQ(splitLines(""), QStringList{});
    EXPECT_EQ(splitLines(" a \t\nb"), (QStringList{" a \t", "b"}));
    EXPECT_EQ(splitLines(QByteArray("one\ntw\0o\nthree", 15)), (QStringList{"one", "tw"}));
}

TEST(ReadLines, MissingFileIsNamedInTheMessage) {
    const test_support::LauncherDir dir;
    const QString missing = dir.paramsPath() + "List_FuncModulePack.txt";
    try {
        readLines(missing);
        FAIL() << "no error for a missing file";
    } catch (const LauncherError& error) {
        EXPECT_TRUE(error.message().contains(QDir::toNativeSeparators(missing))) << error.what();
    }
}

TEST(JoinLines, EndsEveryLineWithOneLineFeed) {
    EXPECT_EQ(joinLines({"a", "", "b c"}), QByteArray("a\n\nb c\n"));
}

TEST(ReplaceFile, ReplacesTheWholeContentAndLeavesNoTemporaryFile) {
    const test_support::LauncherDir dir;
    dir.writeParam("RandExt.txt", "a much longer old content that must vanish entirely\n");
    replaceFile(dir.paramsPath() + "RandExt.txt", "new\n");
    EXPECT_EQ(dir.readParam("RandExt.txt"), QByteArray("new\n"));
    EXPECT_EQ(QDir(dir.paramsPath()).entryList(QDir::Files), QStringList{"RandExt.txt"});
}

TEST(ReplaceFile, FailureGivesTheOpenMessageAndChangesNothing) {
    const test_support::LauncherDir dir;
    const QString target = dir.path() + "missing/_ParamsOfFunc.txt";
    try {
        replaceFile(target, "x");
        FAIL() << "no error for a directory that does not exist";
    } catch (const LauncherError& error) {
        EXPECT_EQ(error.message(), "i can't open " + QDir::toNativeSeparators(target));
    }
    QDir(dir.paramsPath()).mkdir("RandExt.txt");
    EXPECT_THROW(replaceFile(dir.paramsPath() + "RandExt.txt", "x"), LauncherError);
    EXPECT_TRUE(QFileInfo(dir.paramsPath() + "RandExt.txt").isDir());
}

}  // namespace
}  // namespace quellon
