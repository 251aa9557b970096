// Number texts against the printf conversions they stand in for.
#include "core/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace ruz {
namespace {

std::string decimal(std::int64_t v) {
    char out[kDecimalChars];
    return std::string(out, formatDecimal(out, v));
}

std::string fixed(double v, int decimals, int width) {
    char out[kFixedChars];
    return std::string(out, formatFixed(out, v, decimals, width));
}

std::string printed(double v, int decimals, int width) {
    char out[kFixedChars + 8];
    std::snprintf(out, sizeof out, "%*.*f", width, decimals, v);
    return out;
}

TEST(NumberFormat, DecimalsOfTheWholeRange) {
    EXPECT_EQ(decimal(0), "0");
    EXPECT_EQ(decimal(7), "7");
    EXPECT_EQ(decimal(-7), "-7");
    EXPECT_EQ(decimal(1000000), "1000000");
    EXPECT_EQ(decimal(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
    EXPECT_EQ(decimal(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(NumberFormat, FixedRoundsTheExactBinaryValueTiesToEven) {
    struct Case {
        double value;
        int decimals;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {0.0, 2, 4, "0.00"},       {1.25, 2, 4, "1.25"},       {0.125, 2, 4, "0.12"},  // tie: even
        {0.375, 2, 4, "0.38"},     {2.5, 0, 0, "2"},           {3.5, 0, 0, "4"},
        {0.005, 2, 4, "0.01"},     // stored just above 0.005
        {0.015, 2, 4, "0.01"},     // stored just below 0.015
        {1000.5, 2, 4, "1000.50"}, {0.5, 0, 3, "  0"},         {1e-300, 2, 4, "0.00"},
        {-0.0, 2, 4, "-0.00"},     {1e20, 2, 0, "100000000000000000000.00"},
        // Four decimals, as the entropies are written: 1/32 and 3/32 are ties.
        {0.6931471805599453, 4, 6, "0.6931"}, {0.03125, 4, 6, "0.0312"}, {0.09375, 4, 6, "0.0938"},
        {-0.0, 4, 6, "-0.0000"},   {1e15, 4, 0, "1000000000000000.0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(fixed(c.value, c.decimals, c.width), c.text);
        EXPECT_EQ(printed(c.value, c.decimals, c.width), c.text) << "the case itself is printf's";
    }
}

TEST(NumberFormat, FixedMatchesPrintfOnWeightsAndRandomValues) {
    // Sums of count / multiplicity as the weighted reports make them, and
    // random doubles of every size below 2^53, with 0 to 4 decimals.
    for (int m = 1; m <= 400; ++m)
        for (int count = 0; count <= 2 * m; ++count) {
            const double v = static_cast<double>(count) / m;
            ASSERT_EQ(fixed(v, 2, 4), printed(v, 2, 4)) << count << "/" << m;
        }
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> exponent(-20.0, 53.0);
    for (int i = 0; i < 100000; ++i) {
        const double v = std::exp2(exponent(rng));
        const int decimals = static_cast<int>(rng() % 5);
        ASSERT_EQ(fixed(v, decimals, 4), printed(v, decimals, 4)) << v;
    }
}

TEST(NumberFormat, CounterCarriesIntoNewDigits) {
    std::string seen;
    for (DecimalCounter c(8); c.text() != "12"; c.next()) seen += std::string(c.text()) + " ";
    EXPECT_EQ(seen, "8 9 10 11 ");
    DecimalCounter c(1'999'999);
    c.next();
    EXPECT_EQ(c.text(), "2000000");
}

}  // namespace
}  // namespace ruz
