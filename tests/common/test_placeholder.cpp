#include "resstrings.h"

#include <gtest/gtest.h>

TEST(ResStrings, FindsKnownIdsOnly) {
    EXPECT_STREQ(FindResString(120), "Success");
    EXPECT_EQ(FindResString(100), nullptr);
}
