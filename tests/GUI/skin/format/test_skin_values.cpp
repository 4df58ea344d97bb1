// The value forms of skin attributes: integers, number lists, colours, fonts, strings, paths.
#include "skin/format/skin_values.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>

TEST(SkinValues, IntegersReadLikeAtoi) {
    EXPECT_EQ(SkinParseInt("42"), 42);
    EXPECT_EQ(SkinParseInt("  -12px"), -12);
    EXPECT_EQ(SkinParseInt("+7,8"), 7);
    EXPECT_EQ(SkinParseInt("abc"), 0);
    EXPECT_EQ(SkinParseInt("- 5"), 0);
    EXPECT_EQ(SkinParseInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(SkinParseInt("-2147483648"), INT_MIN);
    EXPECT_EQ(SkinParseInt("-99999999999"), INT_MIN);
    EXPECT_TRUE(SkinIsNumber(" -3"));
    EXPECT_FALSE(SkinIsNumber("x3"));
    EXPECT_FALSE(SkinIsNumber(""));
}

TEST(SkinValues, NumberListsSplitAtRunsOfCommas) {
    int q[4] = {9, 9, 9, 9};
    ASSERT_TRUE(SkinParseQuad("10,20,0,0", q));
    EXPECT_EQ((std::vector<int>(q, q + 4)), (std::vector<int>{10, 20, 0, 0}));
    // Two numbers leave the second point at (0, 0).
    ASSERT_TRUE(SkinParseQuad("10,20", q));
    EXPECT_EQ((std::vector<int>(q, q + 4)), (std::vector<int>{10, 20, 0, 0}));
    // A run of commas is one separator; a leading comma yields 0 first; surplus is ignored.
    ASSERT_TRUE(SkinParseQuad("1,,,2", q));
    EXPECT_EQ((std::vector<int>(q, q + 4)), (std::vector<int>{1, 2, 0, 0}));
    ASSERT_TRUE(SkinParseQuad(",5, 6 ,-7,8,9", q));
    EXPECT_EQ((std::vector<int>(q, q + 4)), (std::vector<int>{0, 5, 6, -7}));
    int a = 1;
    int b = 1;
    ASSERT_TRUE(SkinParsePair("400,300,", a, b));
    EXPECT_EQ(a, 400);
    EXPECT_EQ(b, 300);
    // No number at all: not a list, outputs untouched.
    EXPECT_FALSE(SkinParsePair("wide,high", a, b));
    EXPECT_FALSE(SkinParsePair(",,,", a, b));
    EXPECT_FALSE(SkinParsePair("", a, b));
    EXPECT_EQ(a, 400);
}

TEST(SkinValues, ColoursCutEachPartTo8Bits) {
    SkinColor c;
    ASSERT_TRUE(SkinParseColor("255,0,0", c));
    EXPECT_EQ(c.Value(), 0x0000FFu);           // pure red: red in the low byte
    ASSERT_TRUE(SkinParseColor("255,128", c)); // blue stays 0
    EXPECT_EQ(c.red, 255);
    EXPECT_EQ(c.green, 128);
    EXPECT_EQ(c.blue, 0);
    ASSERT_TRUE(SkinParseColor("-1,256,511", c));
    EXPECT_EQ(c.red, 255);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 255);
    ASSERT_TRUE(SkinParseColor("10,36,106", c));
    EXPECT_EQ(c.Value(), 10u | 36u << 8 | 106u << 16);
    EXPECT_FALSE(SkinParseColor("red", c));
    EXPECT_EQ(c.red, 10);
}

TEST(SkinValues, FontsSplitExactlyAsWritten) {
    SkinFont f;
    ASSERT_TRUE(SkinParseFont("Arial,-12,bold,italic", f));
    EXPECT_EQ(f.face, "Arial");
    EXPECT_EQ(f.height, -12);
    EXPECT_EQ(f.weight, kSkinFontWeightBold);
    EXPECT_TRUE(f.italic);
    EXPECT_FALSE(f.underline);
    // Blanks after the commas: " bold" is not "bold", " italic" not "italic".
    ASSERT_TRUE(SkinParseFont("Arial, -12, bold, italic", f));
    EXPECT_EQ(f.height, -12);
    EXPECT_EQ(f.weight, kSkinFontWeightNormal);
    EXPECT_FALSE(f.italic);
    ASSERT_TRUE(SkinParseFont("Tahoma,16,normal,underline,italic,surplus", f));
    EXPECT_EQ(f.face, "Tahoma");
    EXPECT_EQ(f.height, 16);
    EXPECT_EQ(f.weight, kSkinFontWeightNormal);
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.underline);
    ASSERT_TRUE(SkinParseFont("A very long font face name that goes on,12", f));
    EXPECT_EQ(f.face, std::string("A very long font face name that goes on").substr(0, 31));
    ASSERT_TRUE(SkinParseFont("Caf\xc3\xa9 \xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"
                              "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9,1",
                              f));
    EXPECT_EQ(f.face.size(), 30u);           // 32 bytes, not cut inside a character
    ASSERT_TRUE(SkinParseFont("\xf7,1", f)); // bytes that are no UTF-8 stay as written
    EXPECT_EQ(f.face, "\xf7");
    ASSERT_TRUE(SkinParseFont(std::string(40, '\x80') + ",1", f));
    EXPECT_EQ(f.face, std::string(31, '\x80'));
    SkinFont kept = f;
    EXPECT_FALSE(SkinParseFont("Arial", f)); // the height is needed
    EXPECT_FALSE(SkinParseFont(",-12,bold", f));
    EXPECT_FALSE(SkinParseFont("\x01\xff,12", f));
    EXPECT_EQ(f.face, kept.face);
}

TEST(SkinValues, StringsAndVoidNames) {
    EXPECT_TRUE(SkinIsString("Stop all\tsounds \xc3\xa4"));
    EXPECT_FALSE(SkinIsString(std::string("a\0b", 3)));
    EXPECT_FALSE(SkinIsString("bell\x07"));
    EXPECT_TRUE(SkinIsVoidName("void"));
    EXPECT_TRUE(SkinIsVoidName(""));
    EXPECT_FALSE(SkinIsVoidName("Void"));
}

TEST(SkinValues, PathsRelativeToTheSkinFolder) {
    EXPECT_EQ(SkinFolderOf("/opt/vx/skins/en/Default.sdf"), "/opt/vx/skins/en/");
    EXPECT_EQ(SkinFolderOf(".\\skins\\en\\Default.sdf"), "./skins/en/");
    EXPECT_EQ(SkinFolderOf("Default.sdf"), "");
    EXPECT_EQ(SkinResolvePath("/opt/vx/", ".\\skins\\en\\x.bmp"), "/opt/vx/skins/en/x.bmp");
    EXPECT_EQ(SkinResolvePath("/opt/vx/skins/en/", "..\\common\\\\y.rgn"),
              "/opt/vx/skins/common/y.rgn");
    EXPECT_EQ(SkinResolvePath("/opt/vx", "b.bmp"), "/opt/vx/b.bmp");
    EXPECT_EQ(SkinResolvePath("/opt/vx/", "/abs/c.cur"), "/abs/c.cur");
    EXPECT_EQ(SkinResolvePath("/opt/vx/", "\\abs\\c.cur"), "/abs/c.cur");
    EXPECT_EQ(SkinResolvePath("/", "../../etc/x"), "/etc/x");
    EXPECT_EQ(SkinResolvePath("", "a/../../b"), "../b");
}
