#include "core/read_codes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/genome.h"

namespace ruz {
namespace {

std::vector<std::uint8_t> codes(const std::string& letters) {
    std::vector<std::uint8_t> out(letters.size());
    EXPECT_TRUE(lettersToCodes(letters.data(), letters.size(), out.data()));
    return out;
}

TEST(ReadCodes, ConversionsStopAtTheFirstByteThatIsNoBase) {
    std::string line = "acGTnA";
    std::vector<std::uint8_t> out(line.size(), 9);
    EXPECT_FALSE(toUpperLettersAndCodes(line.data(), line.size(), out.data()));
    EXPECT_EQ(line, "ACGTnA") << "letters before the bad byte are uppercased, the rest untouched";
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 1, 2, 3, 9, 9}));
    std::string inPlace = "TGCA";
    EXPECT_TRUE(lettersToCodesInPlace(inPlace.data(), inPlace.size()));
    EXPECT_EQ(inPlace, std::string("\3\2\1\0", 4));
}

TEST(ReadCodes, ReverseComplementAndMatchLengths) {
    const auto read = codes("AACGT");
    std::vector<std::uint8_t> rc(read.size());
    reverseComplementCodes(read.data(), read.size(), rc.data());
    EXPECT_EQ(rc, codes("ACGTT"));
    const auto genome = codes("AACGAAT");
    EXPECT_EQ(forwardMatch(genome.data(), read.data(), 5), 4u);
    EXPECT_EQ(forwardMatch(genome.data(), read.data(), 3), 3u) << "the limit stops it";
    EXPECT_EQ(backwardMatch(genome.data() + 7, codes("GAAT").data() + 4, 4), 4u);
    EXPECT_EQ(backwardMatch(genome.data() + 7, codes("CAAT").data() + 4, 4), 3u);
}

// Exact placements through an index of 4-mers: every start where the
// whole read lies, highest first; a key holding a byte that is no base
// lies nowhere, even where the genome holds a T.
TEST(ReadCodes, ExactPlacementsWalkTheKeysPositions) {
    const auto bases = codes("ACGTTACGTAACGTT");
    Strand strand(static_cast<std::int32_t>(bases.size()), 0, 8);
    for (std::size_t i = 0; i < bases.size(); ++i) strand[static_cast<std::int64_t>(i) + 1] = bases[i];
    strand.fillMargins();
    const KmerIndex index(strand, 4, GenomeForm::Code);
    const auto placements = [&](const std::vector<std::uint8_t>& read) {
        std::vector<std::int32_t> at;
        forEachExactPlacement(index, strand.origin(), read.data(), read.size(), [&](std::int32_t p) {
            at.push_back(p);
            return true;
        });
        return at;
    };
    EXPECT_EQ(placements(codes("ACGTT")), (std::vector<std::int32_t>{11, 1}));
    EXPECT_EQ(placements(codes("ACGT")), (std::vector<std::int32_t>{11, 6, 1}));
    EXPECT_EQ(placements(codes("TTAC")), (std::vector<std::int32_t>{14, 4})) << "wraps round the end";
    EXPECT_EQ(placements(codes("ACG")), std::vector<std::int32_t>{}) << "shorter than the key";
    EXPECT_EQ(placements({0, 1, 2, 9, 3}), std::vector<std::int32_t>{});
}

}  // namespace
}  // namespace ruz
