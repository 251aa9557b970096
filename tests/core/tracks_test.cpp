// The track writers: intervals on a circular genome split at the origin,
// BED6, BED12 and bedGraph lines, header lines, scores and the sequence's
// name, each against lines worked out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/params.h"
#include "core/tracks.h"
#include "support/test_files.h"

namespace ruz {
namespace {

// Lines written through a TrackText into a temporary file, read back.
class TrackLines : public ::testing::Test {
protected:
    template <typename Write>
    std::string written(std::int64_t length, Write write) {
        const std::string path = dir.file("track");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        const TrackSequence sequence{"chr", length};
        {
            TrackText out(file, sequence);
            write(out);
        }
        std::fclose(file);
        return test::readFile(path);
    }
    test::TempDir dir;
};

TEST(Tracks, CircularPiecesSplitAtTheOriginAndNeverPassTheEnd) {
    struct Case {
        std::int64_t start, length;
        std::vector<std::pair<std::int64_t, std::int64_t>> pieces;
    };
    const Case cases[] = {
        {0, 1, {{0, 1}}},              // the first base
        {9, 1, {{9, 10}}},             // the last base
        {0, 10, {{0, 10}}},            // the whole genome
        {8, 5, {{8, 10}, {0, 3}}},     // over the end
        {-2, 4, {{8, 10}, {0, 2}}},    // from the front margin
        {12, 3, {{2, 5}}},             // past the end: taken modulo L
        {-12, 2, {{8, 10}}},           // far before the start
        {5, 15, {{5, 10}, {0, 5}}},    // longer than the genome: L at most
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::int64_t, std::int64_t>> got;
        const CircularPieces pieces = circularPieces(c.start, c.length, 10);
        for (const Interval& i : pieces.pieces()) got.emplace_back(i.start, i.end);
        EXPECT_EQ(got, c.pieces) << c.start << " " << c.length;
    }
}

TEST(Tracks, LowerStrandBasesHaveTheirUpperStrandExtent) {
    // L = 10: lower 1..3 are the upper strand's 10, 9, 8: [7, 10).
    EXPECT_EQ(upperStartOfLower(1, 3, 10), 7);
    // Lower 9..12 are upper 2, 1, 10, 9: from -2, that is [8, 10) + [0, 2).
    EXPECT_EQ(upperStartOfLower(9, 4, 10), -2);
    EXPECT_EQ(upperStartOfLower(10, 1, 10), 0);  // lower 10 is upper 1
}

TEST(Tracks, ScoresScaleToTheLargestCountRoundedDown) {
    EXPECT_EQ(scaledScore(7, 7), 1000);
    EXPECT_EQ(scaledScore(1, 3), 333);
    EXPECT_EQ(scaledScore(2, 3), 666);
    EXPECT_EQ(scaledScore(0, 3), 0);
    EXPECT_EQ(scaledScore(5, 0), 0);
    EXPECT_EQ(scaledScore(std::uint64_t{1} << 60, std::uint64_t{1} << 61), 500) << "no overflow";
}

TEST(Tracks, HeaderLinesQuoteTheirTextsSafely) {
    EXPECT_EQ(trackHeader("bedGraph", "a \"b\"", "c\td", "x=1"),
              "track type=bedGraph name=\"a 'b'\" description=\"c d\" x=1\n");
    EXPECT_EQ(trackHeader({}, "n", "d"), "track name=\"n\" description=\"d\"\n");
}

TEST_F(TrackLines, Bed6AndBed12LinesOfAWrappingFeature) {
    EXPECT_EQ(written(10, [](TrackText& out) { out.bed6(8, 4, "f", 500, '-'); }),
              "chr\t8\t10\tf\t500\t-\nchr\t0\t2\tf\t500\t-\n");
    // Two stretches, the first over the end: blocks [0, 1), [2, 5), [7, 10).
    const Stretch stretches[] = {{7, 4}, {2, 3}};
    EXPECT_EQ(written(10, [&](TrackText& out) { out.bed12(std::span<const Stretch>(stretches), "g", 0, '+'); }),
              "chr\t0\t10\tg\t0\t+\t0\t10\t0\t3\t1,3,3,\t0,2,7,\n");
}

TEST_F(TrackLines, CollectedLinesComeOutByStartAndEnd) {
    EXPECT_EQ(written(10,
                      [](TrackText& out) {
                          Bed6Lines bed(10);
                          bed.add(5, 2, "b", 1, '+');
                          bed.add(9, 3, "a", 2, '-');  // [9, 10) and [0, 2)
                          bed.add(5, 1, "c", 3, '+');
                          bed.write(out);
                      }),
              "chr\t0\t2\ta\t2\t-\nchr\t5\t6\tc\t3\t+\nchr\t5\t7\tb\t1\t+\nchr\t9\t10\ta\t2\t-\n");
    EXPECT_EQ(written(10,
                      [](TrackText& out) {
                          Bed12Lines bed(10);
                          const Stretch late[] = {{6, 2}};
                          const Stretch wrapping[] = {{9, 1}, {0, 2}};
                          bed.add(late, "late", 0, '+');
                          bed.add(wrapping, "wrap", 0, '+');
                          bed.write(out);
                      }),
              "chr\t0\t10\twrap\t0\t+\t0\t10\t0\t2\t2,1,\t0,9,\n"
              "chr\t6\t8\tlate\t0\t+\t6\t8\t0\t1\t2,\t0,\n");
}

TEST_F(TrackLines, BedGraphRunsJoinAdjacentBasesOfOneValue) {
    EXPECT_EQ(written(10,
                      [](TrackText& out) {
                          BedGraphRuns runs(out);
                          runs.add(0, "1");
                          runs.add(1, "1");
                          runs.add(2, "2");  // another value
                          runs.add(4, "2");  // a gap
                          runs.add(5, "2");
                          runs.add(9, "3");  // the last base
                      }),
              "chr\t0\t2\t1\nchr\t2\t3\t2\nchr\t4\t6\t2\nchr\t9\t10\t3\n");
}

TEST_F(TrackLines, FastaRecords) {
    EXPECT_EQ(written(10, [](TrackText& out) { out.fasta("7", "ACGT"); }), ">7\nACGT\n");
}

TEST(Tracks, TheSequenceNameComesFromSeqNameThenTheRecordThenTheFile) {
    test::TempDir dir;
    const std::string genome = dir.file("lambda.bin");
    RecordingConsole rec;
    EXPECT_EQ(trackSequence(rec.console(), {"given"}, genome, 40).name, "given");
    test::writeFile(dir.file("lambda.chrom.sizes"), "NC_001416.1\t40\n");
    EXPECT_EQ(trackSequence(rec.console(), {}, genome, 40).name, "NC_001416.1");
    EXPECT_EQ(rec.text(), "");
    const struct {
        const char* sizes;
        const char* why;
    } unusable[] = {
        {"NC_001416.1\t41\n", "another length"},
        {"NC_001416.1 40\n", "no tab"},
        {"NC 1\t40\n", "a blank in the name"},
        {"NC_1\t4x\n", "not a number"},
        {"", "empty"},
    };
    for (const auto& u : unusable) {
        test::writeFile(dir.file("lambda.chrom.sizes"), u.sizes);
        EXPECT_EQ(trackSequence(rec.console(), {}, genome, 40).name, "lambda") << u.why;
    }
}

}  // namespace
}  // namespace ruz
