// The control panel's command line: the voice effect editor's entry point.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLine, EditEffectTakesTheEffectsName) {
    CommandLine parsed;
    EXPECT_EQ(ParseCommandLine({"--edit-effect", "Deep voice"}, parsed), "");
    EXPECT_TRUE(parsed.editEffect);
    EXPECT_EQ(parsed.effectName, "Deep voice");
    EXPECT_FALSE(parsed.skinPreview);

    CommandLine untouched;
    EXPECT_NE(ParseCommandLine({"--edit-effect"}, untouched), "");
    EXPECT_NE(ParseCommandLine({"--edit-effect", ""}, untouched), "");
    EXPECT_NE(ParseCommandLine({"--edit-effect", "A", "--skin-preview", "x.sdf"}, untouched), "");
    EXPECT_NE(ParseCommandLine({"--wizard", "--edit-effect", "A"}, untouched), "");
    EXPECT_FALSE(untouched.editEffect);
}

TEST(CommandLine, OptionsIsAUseOfItsOwn) {
    CommandLine parsed;
    EXPECT_EQ(ParseCommandLine({"--options"}, parsed), "");
    EXPECT_TRUE(parsed.options);
    CommandLine untouched;
    EXPECT_NE(ParseCommandLine({"--options", "--wizard"}, untouched), "");
    EXPECT_NE(ParseCommandLine({"--edit-effect", "A", "--options"}, untouched), "");
    EXPECT_FALSE(untouched.options);
}

} // namespace
