#include "text/utf.h"
#include "text/utf8cut.h"

#include <gtest/gtest.h>

TEST(Utf8Prefix, NeverEndsInsideACharacter) {
    const std::string euro = "a\xE2\x82\xAC"; // "a€": the euro sign is three bytes
    EXPECT_EQ(Utf8PrefixLength(euro, 10), 4u);
    EXPECT_EQ(Utf8PrefixLength(euro, 4), 4u);
    EXPECT_EQ(Utf8PrefixLength(euro, 3), 1u);
    EXPECT_EQ(Utf8PrefixLength(euro, 2), 1u);
    EXPECT_EQ(Utf8PrefixLength(euro, 0), 0u);
    // A text someone else already cut inside a character is mended.
    EXPECT_EQ(Utf8PrefixLength(euro.substr(0, 3), 3), 1u);
    // Not UTF-8 at all (no lead byte in reach): cut as bytes.
    EXPECT_EQ(Utf8PrefixLength("a\x80\x80\x80\x80\x80", 5), 5u);
}

TEST(Utf, ConversionsRoundTripAndReplaceBrokenInput) {
    const std::string text = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC \xF0\x9F\x8E\xA4"; // Grüße € 🎤
    std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"Gr\u00fc\u00dfe \u20ac \U0001F3A4");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(WideToUtf8(L"\u00e4\U0001F3A4"), "\xC3\xA4\xF0\x9F\x8E\xA4");

    // Overlong form, lone continuation, truncated sequence, encoded surrogate.
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("a\x80"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    // A lone surrogate in UTF-16.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}
