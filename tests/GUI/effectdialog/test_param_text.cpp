// The numeric fields' text: written as "%f" writes it whatever the locale, read as atof reads it.
#include "effectdialog/param_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ParamText, ReadsTheLeadingNumberAndClampsIt) {
    EXPECT_DOUBLE_EQ(ParseParamText("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ParseParamText("  +.25x"), 0.25);
    EXPECT_DOUBLE_EQ(ParseParamText("-2"), -2.0);
    EXPECT_DOUBLE_EQ(ParseParamText("5e-1"), 0.5);
    for (const char* notANumber : {"abc", "", "-", ".", "nan", "x1"})
        EXPECT_DOUBLE_EQ(ParseParamText(notANumber), 0.0) << notANumber;
    EXPECT_FLOAT_EQ(ClampParamValue(ParseParamText("1e999")), 1.0f);
    EXPECT_FLOAT_EQ(ClampParamValue(ParseParamText("-1e999")), 0.0f);
    EXPECT_FLOAT_EQ(ClampParamValue(-2), 0.0f);
    EXPECT_FLOAT_EQ(ClampParamValue(0.75), 0.75f);

    EXPECT_EQ(FormatParamValue(0.333f), "0.333000");
    EXPECT_EQ(FormatParamValue(25.0f), "25.000000");
    EXPECT_EQ(FormatParamValue(-0.5f), "-0.500000");
}

} // namespace
