// The directory chooser's list of folders.
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

}  // namespace
}  // namespace quellon
