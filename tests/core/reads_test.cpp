#include "core/reads.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace ruz {
namespace {

struct Scan {
    std::vector<std::string> lines;
    std::int64_t inputCount = 0;
    bool stoppedAtLongLine = false;
};

Scan scanFile(const std::string& path) {
    RecordingConsole rec;
    auto file = ReadsFile::open(path);
    EXPECT_TRUE(file);
    Scan scan;
    std::vector<char> line(kLineLimit);
    std::size_t length = 0;
    while (file->next(line, length)) scan.lines.emplace_back(line.data(), length);
    scan.inputCount = file->inputCount();
    scan.stoppedAtLongLine = file->stoppedAtLongLine();
    return scan;
}

TEST(ReadsFile, SplitsAtLineFeedKeepingCrAndCountsEveryLine) {
    test::TempDir dir;
    test::writeFile(dir.file("r.txt"), "ACGT\r\n\nacgtn\nlast");
    const Scan scan = scanFile(dir.file("r.txt"));
    EXPECT_EQ(scan.lines, (std::vector<std::string>{"ACGT\r", "", "acgtn", "last"}));
    EXPECT_EQ(scan.inputCount, 4);
    EXPECT_FALSE(scan.stoppedAtLongLine);
    EXPECT_EQ(lengthWithoutCr("ACGT\r", 5), 4u);
    EXPECT_EQ(lengthWithoutCr("ACGT\r", 4), 4u);
    EXPECT_EQ(lengthWithoutCr("", 0), 0u);
}

TEST(ReadsFile, LineLimitStopsTheLoopAtTheFirstOverLongLine) {
    test::TempDir dir;
    const std::string fits(kLineLimit - 1, 'A');
    const std::string tooLong(kLineLimit, 'C');
    test::writeFile(dir.file("r.txt"), "G\n" + fits + "\n" + tooLong + "\nT\n");
    Scan scan = scanFile(dir.file("r.txt"));
    ASSERT_EQ(scan.lines.size(), 2u);
    EXPECT_EQ(scan.lines[1], fits);
    EXPECT_EQ(scan.inputCount, 2);
    EXPECT_TRUE(scan.stoppedAtLongLine);

    // The same limits hold for a last line without a line feed.
    test::writeFile(dir.file("a.txt"), fits);
    EXPECT_EQ(scanFile(dir.file("a.txt")).lines.size(), 1u);
    test::writeFile(dir.file("b.txt"), tooLong);
    EXPECT_TRUE(scanFile(dir.file("b.txt")).lines.empty());
}

TEST(ReadsFile, LinesAcrossBufferBoundariesComeOutWhole) {
    // Several megabytes of lines of every length, so lines straddle the
    // reader's internal buffer edges many times.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> len(0, 300);
    std::vector<std::string> expected;
    std::string content;
    while (content.size() < (std::size_t{5} << 20)) {
        std::string line(static_cast<std::size_t>(len(rng)), 'A');
        for (char& c : line) c = "ACGT"[rng() % 4];
        content += line + "\n";
        expected.push_back(std::move(line));
    }
    test::TempDir dir;
    test::writeFile(dir.file("r.txt"), content);
    const Scan scan = scanFile(dir.file("r.txt"));
    EXPECT_EQ(scan.inputCount, static_cast<std::int64_t>(expected.size()));
    EXPECT_TRUE(scan.lines == expected);
}

TEST(ReadsFile, MissingFileUsesTheStreamOpenerMessage) {
    const auto file = ReadsFile::open("/nonexistent/reads.txt");
    ASSERT_FALSE(file);
    EXPECT_EQ(file.failure().message, "\ni can't open\n/nonexistent/reads.txt");
}

TEST(ReadsFile, ReleasedLineBufferEndsTheLoop) {
    test::TempDir dir;
    test::writeFile(dir.file("r.txt"), "ACGT\n");
    RecordingConsole rec;
    auto file = ReadsFile::open(dir.file("r.txt"));
    std::vector<char> released;
    std::size_t length = 0;
    EXPECT_FALSE(file->next(released, length));
}

}  // namespace
}  // namespace ruz
