#include "core/platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "core/files.h"
#include "support/test_files.h"

namespace ruz {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// A file is created only where nothing of its name exists: no existing
// file is truncated, no symbolic link is followed.
TEST(Platform, ExclusiveCreationNeverOpensWhatExists) {
    test::TempDir dir;
    test::writeFile(dir.file("other.txt"), "another user's file");
    fs::create_symlink(dir.file("target.txt"), dir.file("link.tmp"));
    fs::create_directory(dir.file("folder.tmp"));
    for (const char* name : {"other.txt", "link.tmp", "folder.tmp"}) {
        EXPECT_EQ(platform::createExclusive(dir.file(name)), nullptr) << name;
    }
    EXPECT_EQ(test::readFile(dir.file("other.txt")), "another user's file");
    EXPECT_FALSE(fs::exists(dir.file("target.txt"))) << "nothing written through the link";

    FilePtr fresh(platform::createExclusive(dir.file("new.tmp")));
    ASSERT_TRUE(fresh);
}

// A signal the caller set to be ignored stays ignored; the ones the
// caller left alone remove the temporary files.
TEST(PlatformDeathTest, InheritedIgnoreOfHangUpIsKept) {
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN);
            platform::prepareProcess();
            std::raise(SIGHUP);
            std::exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    EXPECT_EXIT(
        {
            platform::prepareProcess();
            std::raise(SIGHUP);
            std::exit(7);
        },
        ::testing::KilledBySignal(SIGHUP), "");
}
#endif

// A result whose final name is taken by a folder cannot be renamed into
// place: the failure is reported with the final name and nothing stays.
TEST(ResultFiles, CommitThatCannotLandIsReportedAndLeavesNothing) {
    test::TempDir dir;
    fs::create_directory(dir.file("table.txt"));
    fs::create_directory(dir.file("table.txt/inside"));
    auto result = ResultFile::create(dir.file("table.txt"));
    ASSERT_TRUE(result);
    std::fputs("rows", result->get());
    const auto committed = result->commit();
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.failure().message, "\ni can't write " + dir.file("table.txt"));
    EXPECT_EQ(dir.listing(), std::vector<std::string>{"table.txt"});
}

TEST(ResultFiles, UncommittedResultLeavesNoFileAndCommittedReplacesTheOld) {
    test::TempDir dir;
    test::writeFile(dir.file("t.txt"), "old");
    {
        auto result = ResultFile::create(dir.file("t.txt"));
        std::fputs("half", result->get());
    }
    EXPECT_EQ(test::readFile(dir.file("t.txt")), "old");
    auto result = ResultFile::create(dir.file("t.txt"));
    std::fputs("new", result->get());
    EXPECT_TRUE(result->commit());
    EXPECT_EQ(test::readFile(dir.file("t.txt")), "new");
    EXPECT_EQ(dir.listing(), std::vector<std::string>{"t.txt"});
}

}  // namespace
}  // namespace ruz
