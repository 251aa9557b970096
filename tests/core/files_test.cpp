#include "core/files.h"

#include <gtest/gtest.h>

#include <csignal>

#include "core/platform.h"
#include "support/test_files.h"

namespace ruz {
namespace {

TEST(BaseName, CutsExtensionThenDirectoryWithEitherSeparator) {
    EXPECT_EQ(baseName("D:\\data\\reads.txt"), "reads");
    EXPECT_EQ(baseName("D:\\data\\set1\\"), "set1");
    EXPECT_EQ(baseName("C:\\a\\b.c.txt"), "b.c");
    EXPECT_EQ(baseName("C:\\a\\"), "a");
    EXPECT_EQ(baseName("plain"), "plain");
    EXPECT_EQ(baseName("/home/user/s1.fastq"), "s1");
    EXPECT_EQ(baseName("/home/user/run/"), "run");
    EXPECT_EQ(baseName("a/b\\c.d"), "c");
    // The extension goes first, so a dot in a directory name cuts there.
    EXPECT_EQ(baseName("D:\\my.dir\\reads"), "my");
    EXPECT_EQ(baseName("/data/my.dir/reads"), "my");
    EXPECT_EQ(baseName(""), "");
    EXPECT_EQ(baseName("/"), "");
}

TEST(Paths, DirectoryOfAndResultPrefix) {
    EXPECT_EQ(directoryOf("/opt/tool/Ruzovizu"), "/opt/tool/");
    EXPECT_EQ(directoryOf("C:\\tool\\Ruzovizu.exe"), "C:\\tool\\");
    EXPECT_EQ(directoryOf("Ruzovizu"), "");
    EXPECT_EQ(directoryPrefix("results"), std::string("results") + platform::kPathSeparator);
}

TEST(Files, SizeOfMissingFileOrDirectoryIsMinusOne) {
    test::TempDir dir;
    test::writeFile(dir.file("g.txt"), "ACGT");
    EXPECT_EQ(fileSize(dir.file("g.txt")), 4);
    EXPECT_EQ(fileSize(dir.file("none.txt")), -1);
    EXPECT_EQ(fileSize(dir.path().string()), -1);
}

TEST(Files, OpenersFailWithTheirMessages) {
    const auto file = openFile("/nonexistent/x.txt", "rb");
    ASSERT_FALSE(file);
    EXPECT_EQ(file.failure().message, "\ni can't open /nonexistent/x.txt");
    EXPECT_TRUE(file.failure().waitsForKey);
    const auto stream = openStream("/nonexistent/x.txt");
    ASSERT_FALSE(stream);
    EXPECT_EQ(stream.failure().message, "\ni can't open\n/nonexistent/x.txt");
}

TEST(Files, TemporaryFileGoesWithItsOwner) {
    test::TempDir dir;
    {
        auto temp = TempFile::create(dir.file("Rna_fiUp"));
        ASSERT_TRUE(temp);
        std::fputs("x", temp->get());
        EXPECT_EQ(dir.listing().size(), 1u);
    }
    EXPECT_TRUE(dir.listing().empty());
}

#ifdef __linux__
TEST(FilesDeathTest, InterruptedRunLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.file("Rna_fiLw.tmp");
    EXPECT_EXIT(
        {
            auto temp = TempFile::create(path);
            std::fputs("site records", temp->get());
            std::fflush(temp->get());
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(dir.listing().empty());
}

TEST(Files, FailedWriteIsNotReportedAsSuccess) {
    FilePtr full(std::fopen("/dev/full", "wb"));
    ASSERT_TRUE(full);
    std::fputs("a report that cannot land", full.get());
    const auto closed = closeWritten(full, "/dev/full");
    ASSERT_FALSE(closed);
    EXPECT_EQ(closed.failure().message, "\ni can't write /dev/full");
}
#endif

}  // namespace
}  // namespace ruz
