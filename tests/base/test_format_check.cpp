#include "base/format_check.h"
#include "base/resstrings.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Conversions = std::vector<std::string_view>;

// Conversions as message texts write them, and literal pieces around them ("%%" included).
const std::vector<std::string> kConversions = {"%s",  "%u",   "%d",    "%lu",  "%-5.2f", "%c",
                                               "%x",  "%lld", "%08lX", "%.3s", "%hhu",   "%zu",
                                               "%ls", "%i",   "%5s",   "%p",   "%1$s"};
const std::vector<std::string> kLiterals = {"",         "File: \"", " ",   "100%%",
                                            "\xC3\xBC", "\n",       "%%s", "x"};

// A format with the given conversions, each between two random literal pieces.
std::string Compose(const std::vector<std::string>& conversions, std::mt19937& rng) {
    std::string text = kLiterals[rng() % kLiterals.size()];
    for (const std::string& c : conversions)
        text += c + kLiterals[rng() % kLiterals.size()];
    return text;
}

TEST(FormatCheck, FindsConversionsInOrderAndRefusesBrokenOnes) {
    EXPECT_EQ(PrintfConversions("Error deleting %s. File: \"%s\". Error code: %u"),
              (Conversions{"%s", "%s", "%u"}));
    EXPECT_EQ(PrintfConversions("%d%% at 0x%08lX %%%s"), (Conversions{"%d", "%08lX", "%s"}));
    EXPECT_EQ(PrintfConversions("%1$-*2$.*3$lld"), (Conversions{"%1$-*2$.*3$lld"}));
    EXPECT_EQ(PrintfConversions("No sources"), Conversions{});
    EXPECT_EQ(PrintfConversions("50 % off"), Conversions{"% o"}) << "printf reads it so";
    for (const char* broken : {"50 %", "%", "50 %!", "%5%", "%lk", "%hhhd", "%.", "%1$"})
        EXPECT_EQ(PrintfConversions(broken), std::nullopt) << broken;
    for (const char* writes : {"%n", "%hhn", "%s%n", "%1$n"})
        EXPECT_EQ(PrintfConversions(writes), std::nullopt) << writes;
}

TEST(FormatCheck, EveryBuiltInTextIsAWellFormedFormat) {
    for (std::size_t i = 0; i < kResStringCount; ++i)
        EXPECT_NE(PrintfConversions(kResStrings[i].text), std::nullopt) << kResStrings[i].id;
}

// Random pairs: the same conversions with other words around them are accepted both ways; a
// conversion left out, added, changed or moved, a %n or a stray '%' is refused.
TEST(FormatCheck, TextsMatchExactlyWhenTheyTakeTheSameArguments) {
    std::mt19937 rng(1503);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> conversions(rng() % 5);
        for (std::string& c : conversions)
            c = kConversions[rng() % kConversions.size()];
        const std::string format = Compose(conversions, rng);
        const std::string same = Compose(conversions, rng);
        ASSERT_TRUE(SamePrintfConversions(format, same)) << format << " / " << same;
        ASSERT_TRUE(SamePrintfConversions(same, format)) << format << " / " << same;
        ASSERT_EQ(PrintfConversions(format)->size(), conversions.size()) << format;

        std::vector<std::string> other = conversions;
        const std::size_t at = other.empty() ? 0 : rng() % other.size();
        switch (rng() % 4) {
        case 0: // one more
            other.insert(other.begin() + static_cast<long>(rng() % (other.size() + 1)),
                         kConversions[rng() % kConversions.size()]);
            break;
        case 1: // one fewer, or one more when there is none
            if (other.empty())
                other.push_back("%s");
            else
                other.erase(other.begin() + static_cast<long>(at));
            break;
        case 2: // one changed
            if (other.empty())
                other.push_back("%d");
            else
                while (other[at] == conversions[at])
                    other[at] = kConversions[rng() % kConversions.size()];
            break;
        default: // two moved, when they differ
            if (other.size() < 2 || other[0] == other[1])
                other.push_back("%u");
            else
                std::swap(other[0], other[1]);
            break;
        }
        const std::string changed = Compose(other, rng);
        EXPECT_FALSE(SamePrintfConversions(format, changed)) << format << " / " << changed;
        EXPECT_FALSE(SamePrintfConversions(changed, format)) << format << " / " << changed;

        std::string withN = Compose(conversions, rng);
        withN.insert(rng() % (withN.size() + 1) == 0 ? 0 : withN.size(), "%n");
        EXPECT_FALSE(SamePrintfConversions(format, withN)) << withN;
        EXPECT_FALSE(SamePrintfConversions(format + "%n", format + "%n"));
        EXPECT_FALSE(SamePrintfConversions(format, same + " 5 %"));
    }
}

} // namespace
