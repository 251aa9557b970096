// Text files as the launcher reads and replaces them.
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

TEST(TextLines, SplitAtCrLfLfOrCrKeepingBlanksUpToAZeroByte) {
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\n\n b\t\r\n\n"), (QStringList{"a", "", " b\t", ""}));
    EXPECT_EQ(splitLines(QByteArray("one\ntw\0o\nthree", 15)), (QStringList{"one", "tw"}));
    const struct {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"\n", {""}},
        {"\r\r\n\n\r", {"", "", "", ""}},
        {"last without break", {"last without break"}},
        {"a\r\nb\r", {"a", "b"}},
        {QByteArray("\0a\nb", 4), {}},
        {QByteArray("a\r\0\nb", 5), {"a"}},           // the CR's LF lies past the end
        {QByteArray("a\nbc\0", 5), {"a", "bc"}},       // an open line ends at the zero byte
        {"\xe9t\xe9\n", {QString::fromLocal8Bit("\xe9t\xe9")}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitLines(c.bytes), c.lines) << c.bytes.toStdString();
}

TEST(TextLines, ReplaceFileSwapsInAWholeNewFile) {
    const test_support::LauncherDir dir;
    const QString file = dir.paramsPath() + "RandExt.txt";
    writeFile(file, "old content, longer than the new\n");
    QFile reader(file);
    ASSERT_TRUE(reader.open(QIODevice::ReadOnly));
    replaceFile(file, "new\n");
    EXPECT_EQ(readFile(file), "new\n");
    EXPECT_EQ(QDir(dir.paramsPath()).entryList(QDir::Files), QStringList{"RandExt.txt"});
#ifndef Q_OS_WIN
    // Not written over: until the new file took its place, the old was whole.
    EXPECT_EQ(reader.readAll(), "old content, longer than the new\n");
#endif
}

}  // namespace
}  // namespace quellon
