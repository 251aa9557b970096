// The directory chooser's lists.
#include "model/directory_list.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/qt_print.h"

namespace quellon {
namespace {

TEST(DirectoryEntries, ChainFromTheRootThenVisibleSubdirectoriesInNameOrder) {
    const QTemporaryDir temp;
    const QString top = QDir(temp.path()).canonicalPath();
    for (const char* name : {"beta", "Alpha", ".hidden"}) QDir(top).mkdir(name);
    QFile(top + "/file.txt").open(QIODevice::WriteOnly);

    const auto entries = directoryEntries(top);
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries.front().path, "/");
    EXPECT_EQ(entries.front().depth, 0);
    const DirectoryEntry& current = entries[entries.size() - 3];
    EXPECT_EQ(current.path, top);
    EXPECT_EQ(current.label, QDir(top).dirName());
    EXPECT_TRUE(current.isCurrent);
    EXPECT_EQ(entries[entries.size() - 2].label, "Alpha");
    EXPECT_EQ(entries.back().path, top + "/beta");
    EXPECT_EQ(entries.back().depth, current.depth + 1);
    EXPECT_FALSE(entries.back().isCurrent);
}

TEST(Volumes, TheVolumeOfADirectoryIsListed) {
    const QTemporaryDir temp;
    const QString root = volumeRootOf(temp.path());
    EXPECT_TRUE(temp.path().startsWith(root)) << root.toStdString();
    EXPECT_TRUE(volumeRoots().contains(root));
}

}  // namespace
}  // namespace quellon
