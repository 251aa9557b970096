// The model below the windows: text files, paths, the grid's records, the
// directory lists, and the texts "fix Params" refuses to write.
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

TEST(ParamGrid, FillKeepsCellsBeyondTheLinesAndWritingStopsAtAnEmptyComment) {
    ParamGrid grid;
    grid.fill({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
    grid.fill({"A", "B", "C", "D", "E", "F"});
    grid.setCell(2, ParamGrid::Comment, "");
    EXPECT_EQ(grid.linesToWrite(), (QStringList{"A", "B", "C", "D", "E", "F", "g", "h"}));
}

TEST(DirectoryList, ChainFromTheRootThenVisibleSubdirectoriesInNameOrder) {
    const QTemporaryDir temp;
    const QString top = QDir(temp.path()).canonicalPath();
    for (const char* name : {"beta", "Alpha", ".hidden"}) QDir(top).mkdir(name);
    writeFile(top + "/file.txt", "");
    const std::vector<DirectoryEntry> found = directoryEntries(top);
    QStringList entries;  // depth, label and a star for the current directory
    for (const DirectoryEntry& e : found) {
        entries.append(QStringLiteral("%1 %2%3").arg(e.depth).arg(e.label, e.isCurrent ? "*" : ""));
    }
    const int depth = static_cast<int>(top.count(u'/'));
    EXPECT_EQ(entries.first(), "0 /");
    const QString current = QStringLiteral("%1 %2*").arg(depth).arg(QDir(top).dirName());
    EXPECT_EQ(entries.mid(depth), (QStringList{current, QStringLiteral("%1 Alpha").arg(depth + 1),
                                               QStringLiteral("%1 beta").arg(depth + 1)}));
    EXPECT_EQ(found.back().path, top + "/beta");
    EXPECT_TRUE(volumeRoots().contains(volumeRootOf(top)));
}

// The engine reads a parameter file line by line into 500 bytes and the call
// file's path line into 200: what it would cut or split is refused unwritten.
TEST(SessionFix, RefusesLinesAndPathsTheEngineWouldCut) {
    const QByteArray original = "genome\nfile\npthGnm\n/g.txt\nresults\ndir\ndiRes\n/r\n";
    const QString refused = "incorrect input data\nrecord 2 (diRes), value: ";
    const struct {
        QString subdirectory;
        QString value;
        QString refusal;  // the message's start; empty: fixed
    } cases[] = {
        {"", QString(499, 'x'), ""},
        {"", "/r\nx", refused + "a line break in the text"},
        {"", "/r\rx", refused + "a line break in the text"},
        {"", QString(500, 'x'), refused + "longer than 499 characters"},
        {QString(190, 'd'), "/s", "the engine reads at most 199 characters of the parameter file"},
    };
    for (const auto& c : cases) {
        const test_support::LauncherDir dir;
        Session session(dir.path() + c.subdirectory);
        QDir().mkpath(session.paramsDirectory());
        writeFile(session.paramsDirectory() + kCatalogueFileName, "RandExt\n*R\n>this\n#Helixa\n");
        writeFile(session.paramsDirectory() + "RandExt.txt", original);
        session.activate("Helixa", "RandExt");
        session.showParams();
        session.setValue(1, c.value);
        QString error;
        try {
            session.fixParams();
        } catch (const LauncherError& refusal) {
            error = refusal.message();
        }
        EXPECT_TRUE(c.refusal.isEmpty() ? error.isEmpty() : error.startsWith(c.refusal)) << error;
        EXPECT_EQ(session.isFixed(), c.refusal.isEmpty());
        EXPECT_EQ(readFile(session.parameterFilePath()) == original, !c.refusal.isEmpty());
        EXPECT_EQ(QFile::exists(session.launcherDirectory() + kCallFileName), c.refusal.isEmpty());
    }
}

}  // namespace
}  // namespace quellon
