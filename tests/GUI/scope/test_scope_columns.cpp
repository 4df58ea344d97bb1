// The oscilloscope's column fitting and trace arithmetic.
#include "scope/scope_columns.h"

#include <gtest/gtest.h>

#include <vector>

using scope::FitColumns;
using scope::TraceY;

TEST(ScopeColumns, NoSamplesGiveZeros) {
    EXPECT_EQ(FitColumns(nullptr, 0, 4), std::vector<int>(4, 0));
    const int16_t one = 5;
    EXPECT_TRUE(FitColumns(&one, 1, 0).empty());
}

TEST(ScopeColumns, MoreSamplesThanColumnsAreAveraged) {
    // n = 7, w = 3: k = 2, the seventh sample is not used.
    const int16_t samples[] = {100, 300, -5, -6, 3, 4, 32000};
    // Each sample divided by 2 and rounded half away from zero: 50+150, -3+-3, 2+2.
    EXPECT_EQ(FitColumns(samples, 7, 3), (std::vector<int>{200, -6, 4}));
    const int16_t full[] = {32767, 32767, -32767, -32767};
    EXPECT_EQ(FitColumns(full, 4, 2), (std::vector<int>{32768, -32768}));
    const int16_t three[] = {30, 30, 30};
    EXPECT_EQ(FitColumns(three, 3, 1), (std::vector<int>{30}));
}

TEST(ScopeColumns, FewerSamplesRepeatUnchanged) {
    // n = 3, w = 10: k = 3, columns 9 and on are 0.
    const int16_t samples[] = {1000, -2000, 3000};
    EXPECT_EQ(FitColumns(samples, 3, 10),
              (std::vector<int>{1000, 1000, 1000, -2000, -2000, -2000, 3000, 3000, 3000, 0}));
    // n == w: one column per sample.
    EXPECT_EQ(FitColumns(samples, 3, 3), (std::vector<int>{1000, -2000, 3000}));
}

TEST(ScopeColumns, TraceYIsIntegerArithmeticInTheDesignsOrder) {
    EXPECT_EQ(TraceY(0, 20), 10);
    EXPECT_EQ(TraceY(32767, 20), 20);       // the bottom edge y = h
    EXPECT_EQ(TraceY(-32767, 20), 0);       // the top edge
    EXPECT_EQ(TraceY(32767, 21), 20);       // 32767*21/2 = 344053, /32767 = 10: 10 + 10
    EXPECT_EQ(TraceY(16384, 20), 15);       // 16384*20/2 = 163840, /32767 = 5
    EXPECT_EQ(TraceY(-16384, 20), 5);       // truncation toward zero
    EXPECT_EQ(TraceY(1000, 20), 10);        // 1000*20/2 = 10000, /32767 = 0
    EXPECT_EQ(TraceY(32767, 60000), 60000); // no overflow on tall views
}
