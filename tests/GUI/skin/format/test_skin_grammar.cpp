// The skin file grammar: lines, sections, attribute lines and where a section ends.
#include "skin/format/skin_grammar.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Every attribute line of the section name.
Attributes Walk(SkinText& text, const char* name) {
    Attributes attributes;
    if (!text.FindSection(name))
        return attributes;
    while (text.NextAttribute())
        attributes.emplace_back(text.Key(), text.Value());
    return attributes;
}

} // namespace

TEST(SkinGrammar, TrimAndSplitAttributeLines) {
    EXPECT_EQ(TrimSkinText(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimSkinText(" \t\r\n"), "");
    std::string key;
    std::string value;
    ASSERT_TRUE(SplitSkinAttribute("  caption =  a = b  ", key, value));
    EXPECT_EQ(key, "caption");
    EXPECT_EQ(value, "a = b"); // split at the first "="
    ASSERT_TRUE(SplitSkinAttribute("=", key, value));
    EXPECT_EQ(key, "");
    EXPECT_EQ(value, "");
    EXPECT_FALSE(SplitSkinAttribute("[Osci] a=b", key, value));
    EXPECT_FALSE(SplitSkinAttribute("; comment", key, value));
    EXPECT_FALSE(SplitSkinAttribute("", key, value));
}

TEST(SkinGrammar, SectionsAndTheirEnds) {
    SkinText text("id = VoxwarpSkin\r\n"
                  "[Velmar]\r\n"
                  "size = 400,300\r\n"
                  "bitmap = .\\bg.bmp\r\n"
                  "\r\n"
                  "region = never.rgn\r\n"
                  "[ERadio1] the first effect button\n"
                  "  position = 10,20,0,0  \n"
                  "Position = 1,1\n"
                  "size = 5,6\n"
                  "size = 7,8\n"
                  "; comment ends the section\n"
                  "caption = unseen\n"
                  "[EText1]\n"
                  "font = Arial,-12\n"
                  "[Osci]\n"
                  "position = 1,2\n"
                  "[ERadio1]\n"
                  "position = 99,99\n"
                  "[Last]\n"
                  "key = at the end without a line end");
    EXPECT_EQ(text.IdentificationValue(), "VoxwarpSkin");

    // An empty line ends the section: the attributes behind it are not read.
    EXPECT_EQ(Walk(text, "[Velmar]"), (Attributes{{"size", "400,300"}, {"bitmap", ".\\bg.bmp"}}));
    // A header with text after the name opens the section; keys keep their case and every
    // occurrence is read; a comment line ends the section; the first header with the name wins.
    EXPECT_EQ(
        Walk(text, "[ERadio1]"),
        (Attributes{
            {"position", "10,20,0,0"}, {"Position", "1,1"}, {"size", "5,6"}, {"size", "7,8"}}));
    // The next header ends a section.
    EXPECT_EQ(Walk(text, "[EText1]"), (Attributes{{"font", "Arial,-12"}}));
    EXPECT_EQ(Walk(text, "[Last]"), (Attributes{{"key", "at the end without a line end"}}));
    // Names compare exactly.
    EXPECT_FALSE(text.FindSection("[osci]"));
    EXPECT_FALSE(text.FindSection("[ERadio]]"));
    EXPECT_FALSE(text.FindSection(""));
    EXPECT_TRUE(text.FindSection("[Osci]"));
    EXPECT_TRUE(text.FindSection("[ERadio"));
}

TEST(SkinGrammar, AfterTheEndOfASectionEveryCallIsFalse) {
    SkinText text("[A]\na=1\n\nb=2\n");
    EXPECT_FALSE(text.NextAttribute()); // no section found yet
    ASSERT_TRUE(text.FindSection("[A]"));
    ASSERT_TRUE(text.NextAttribute());
    EXPECT_EQ(text.Key(), "a");
    EXPECT_FALSE(text.NextAttribute());
    EXPECT_EQ(text.Key(), "");
    EXPECT_EQ(text.Value(), "");
    EXPECT_FALSE(text.NextAttribute()); // "b=2" stays unread
    EXPECT_FALSE(text.FindSection("[B]"));
    EXPECT_FALSE(text.NextAttribute());
    ASSERT_TRUE(text.FindSection("[A]")); // back from the top
    ASSERT_TRUE(text.NextAttribute());
    EXPECT_EQ(text.Value(), "1");
}

TEST(SkinGrammar, IdentificationLineIsTheFirstLineOnly) {
    EXPECT_EQ(SkinText("[Velmar]\nid=x\n").IdentificationValue(), "");
    EXPECT_EQ(SkinText("").IdentificationValue(), "");
    EXPECT_EQ(SkinText("  SkinId =  Default  \n").IdentificationValue(), "Default");
}

TEST(SkinGrammar, BinaryGarbageIsReadAsLinesWithoutHarm) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) & 0xFF);
    garbage.insert(100, std::string("\n[X]\n\0k\xff=\0v\x80\n", 14));
    SkinText text(garbage);
    (void)text.IdentificationValue();
    for (const char* name : {"[X]", "[", "\xff", "="}) {
        if (!text.FindSection(name))
            continue;
        for (int i = 0; i < 10000 && text.NextAttribute(); ++i) {
            EXPECT_LE(text.Key().size() + text.Value().size(), garbage.size());
        }
    }
    ASSERT_TRUE(text.FindSection("[X]"));
    ASSERT_TRUE(text.NextAttribute());
    EXPECT_EQ(text.Key(), std::string("\0k\xff", 3));
    EXPECT_EQ(text.Value(), std::string("\0v\x80", 3));
}
