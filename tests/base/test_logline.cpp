#include "base/logline.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Format(const LogLineOptions& options, const LogStamp& stamp, int kind,
                   const std::string& message) {
    char buf[kLogLineChars + 1];
    std::size_t n = FormatLogLine(buf, options, stamp, kind, message.c_str());
    EXPECT_EQ(n, std::strlen(buf));
    return buf;
}

constexpr LogStamp k090503{9, 5, 3, 0};

} // namespace

TEST(LogLine, ColumnsAtTimeWithoutLeadingZeros) {
    EXPECT_EQ(Format({}, k090503, 3, "disk full"), "9:5:3        Error: disk full");
    EXPECT_EQ(Format({}, {23, 59, 58, 0}, 0, "x"), "23:59:58         == x");
    EXPECT_EQ(Format({}, k090503, 4, "boom"), "9:5:3    Exception: boom");
}

TEST(LogLine, EveryKindPrefixInEachMode) {
    LogLineOptions noTime{false, false, false, false};
    EXPECT_EQ(Format(noTime, {}, 1, "p"), "           p");
    EXPECT_EQ(Format(noTime, {}, 2, "w"), "  Warning: w");
    EXPECT_EQ(Format(noTime, {}, 5, "A::B()"), "       --> A::B()");
    EXPECT_EQ(Format(noTime, {}, 6, "A::B()"), "       <-- A::B()");
    // Numbers outside the table take the Plain prefix.
    EXPECT_EQ(Format(noTime, {}, 7, "q"), "           q");
    EXPECT_EQ(Format(noTime, {}, -1, "q"), "           q");

    LogLineOptions shortForm{false, false, false, true};
    EXPECT_EQ(Format(shortForm, {}, 0, "n"), "==n");
    EXPECT_EQ(Format(shortForm, {}, 1, "p"), "p");
    EXPECT_EQ(Format(shortForm, {}, 3, "e"), "Error: e");

    // Separated wins over short prefixes.
    LogLineOptions separated{true, true, true, true};
    EXPECT_EQ(Format(separated, {9, 5, 3, 42}, 2, "w"), "9:5:3;[42];Warning;w");
    EXPECT_EQ(Format(separated, {9, 5, 3, 42}, 1, "p"), "9:5:3;[42];;p");
}

TEST(LogLine, ThreadFieldPadsOrOverflows) {
    LogLineOptions withThread{true, true, false, false};
    EXPECT_EQ(Format(withThread, {9, 5, 3, 123}, 3, "m"), "9:5:3    [123]       Error: m");
    // Six digits fill the 8-character field exactly; seven overflow it. Either way the prefix
    // follows directly.
    EXPECT_EQ(Format(withThread, {9, 5, 3, 123456}, 3, "m"), "9:5:3    [123456]    Error: m");
    EXPECT_EQ(Format(withThread, {9, 5, 3, 1234567}, 3, "m"), "9:5:3    [1234567]    Error: m");
}

TEST(LogLine, LongMessageIsCutAtTheBufferWithoutSplittingACharacter) {
    LogLineOptions noTime{false, false, false, true};
    std::string ascii(3000, 'a');
    EXPECT_EQ(Format(noTime, {}, 1, ascii), std::string(kLogLineChars, 'a'));

    // "ä" is two bytes; an odd number of leading bytes puts a character across the end.
    std::string umlauts = "a";
    for (int i = 0; i < 1500; ++i)
        umlauts += "\xC3\xA4";
    std::string line = Format(noTime, {}, 1, umlauts);
    EXPECT_EQ(line.size(), kLogLineChars);
    EXPECT_EQ(line.substr(line.size() - 2), "\xC3\xA4");
}

TEST(LogLine, PaddingNeverPassesTheBuffer) {
    char buf[8] = "abcdefg";
    // Separated mode on a full buffer replaces the last character.
    EXPECT_EQ(PadLogField(buf, 7, 0, 7, 9, true), 7u);
    EXPECT_STREQ(buf, "abcdef;");
    char pad[8] = "ab";
    EXPECT_EQ(PadLogField(pad, 7, 0, 2, 9, false), 7u);
    EXPECT_STREQ(pad, "ab     ");
}
