#include "core/settings.h"

#include <gtest/gtest.h>

#include "analyses.h"
#include "core/entry.h"
#include "core/platform.h"
#include "support/test_files.h"

namespace ruz {
namespace {

// The descriptions of two analyses: one with bounds, and the rating.
const AnalysisInfo& kBounded = *findAnalysis(analysisTable(), "fMatchReadsT_VarSzParted");
const AnalysisInfo& kRating = *findAnalysis(analysisTable(), "fMatchReadsT_VarSzPartedRate");

class ArgumentSettingsTest : public ::testing::Test {
protected:
    // The settings of `records` read through `analysis`; a failure is
    // printed on `rec`.
    Outcome<ArgumentSettings> loadArgumentSettings(Console& console, const std::string& records,
                                                   const AnalysisInfo& analysis) {
        const auto parameters = Parameters::parse(records, "p.txt", analysis);
        if (!parameters) return parameters.failure();
        auto settings = readArgumentSettings(console, *parameters);
        if (!settings) console.report(settings.failure());
        return settings;
    }
    static const std::string& params(const std::string& records) { return records; }
    test::TempDir dir;
    RecordingConsole rec;
    Console& context = rec.console();
};

TEST_F(ArgumentSettingsTest, ReadsTheNamedSettingsAndStoresTheBounds) {
    test::writeFile(dir.file("g.bin"), std::string(1234, '\0'));
    const auto s = loadArgumentSettings(
        context,
        params(test::record("diRes", "/res") + test::record("pthReads", "/r/s1.bin") +
               test::record("pthGnm", dir.file("g.bin")) + test::record("rMinSz", "20") +
               test::record("rMaxSz", "50") + test::record("pthList", "ignored")),
        kBounded);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->resultDirectory, std::string("/res") + platform::kPathSeparator);
    EXPECT_EQ(s->readsPath, "/r/s1.bin");
    EXPECT_EQ(s->genomeLength, 1234);
    EXPECT_EQ(s->listPath, "") << "not asked for";
    EXPECT_EQ(s->rMinSz, 20);
    EXPECT_EQ(s->rMaxSz, 50);
    EXPECT_EQ(s->sizeRangeCount(), 31);
    EXPECT_EQ(rec.text(), "");
}

TEST_F(ArgumentSettingsTest, RatingReadsItsDirectoryAndList) {
    const auto s = loadArgumentSettings(
        context,
        params(test::record("diRes", "/res") + test::record("diReads", "/reads") +
               test::record("pthList", "/l.txt") + test::record("pthGnm", "/none.bin") +
               test::record("rMinSz", "12") + test::record("rMaxSz", "12")),
        kRating);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->readsDirectory, std::string("/reads") + platform::kPathSeparator);
    EXPECT_EQ(s->listPath, "/l.txt");
    EXPECT_EQ(s->genomeLength, -1);
    EXPECT_EQ(s->sizeRangeCount(), 1);
}

TEST_F(ArgumentSettingsTest, UnusableBoundsAreRefusedByName) {
    const std::string res = test::record("diRes", "/res");
    EXPECT_FALSE(loadArgumentSettings(context, params(res + test::record("rMinSz", "x")), kBounded));
    EXPECT_FALSE(loadArgumentSettings(
        context, params(res + test::record("rMinSz", "30") + test::record("rMaxSz", "20")), kBounded));
    EXPECT_FALSE(loadArgumentSettings(
        context, params(res + test::record("rMinSz", "-1") + test::record("rMaxSz", "20")), kBounded));
    EXPECT_FALSE(loadArgumentSettings(context, params(test::record("rMinSz", "1")), kBounded));
    EXPECT_EQ(rec.text(),
              "\nparameter rMinSz = \"x\" is not a whole number"
              "\nparameter rMaxSz = 20 is below rMinSz = 30"
              "\nparameter rMinSz = -1 must not be negative"
              "\nparameter diRes is empty: no result directory is given");
    EXPECT_EQ(rec.keyWaits(), 4);
}

}  // namespace
}  // namespace ruz
