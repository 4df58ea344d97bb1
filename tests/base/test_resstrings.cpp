#include "base/format_check.h"
#include "base/resstrings.h"
#include "base/strtable.h"
#include "glosso.h"
#include "program_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr unsigned kFirstId = 101;
constexpr unsigned kLastId = 396;
constexpr int kMaxTextChars = 31999;

// Texts whose German form is the English one.
const std::set<std::string> kSameInGerman = {"Voxwarp", "PCM", "Name", "Name:", "OK", "Version %s"};

// The printf conversions of a text, in order, each as written ("%s", "%u", "%08lX", "%%").
std::vector<std::string> Conversions(const std::string& text) {
    std::vector<std::string> result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        size_t j = i + 1;
        while (j < text.size() && std::strchr("-+ #0", text[j]))
            ++j;
        while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) ||
                                   text[j] == '.' || text[j] == '*'))
            ++j;
        while (j < text.size() && std::strchr("hlLzjt", text[j]))
            ++j;
        size_t end = j < text.size() ? j + 1 : j; // a lone '%' at the end stays as it is
        result.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    return result;
}

// The German catalog of the build tree, opened through the translation library.
class GermanCatalog {
public:
    GermanCatalog() {
        std::string folder = testsupport::ProgramDir() + "lang/";
        std::string file = folder + "voxwarp_de.glo";
        EXPECT_TRUE(std::filesystem::exists(file)) << file;
        StartRecord record = BuildStartRecord(file, folder);
        started_ = GLStart(record.data()) != 0;
        EXPECT_TRUE(started_) << "GLStart refused " << file;
    }
    ~GermanCatalog() {
        if (started_) {
            EXPECT_NE(GLEnd(), 0);
        }
    }
    GermanCatalog(const GermanCatalog&) = delete;
    GermanCatalog& operator=(const GermanCatalog&) = delete;

    bool Started() const { return started_; }

    // The translation of an English text, or false when the catalog has none.
    bool Translate(const char* english, std::string& german) const {
        std::vector<char> buffer(kMaxTextChars + 1, '\0');
        if (GLTranslateString(buffer.data(), english, kMaxTextChars) == 0)
            return false;
        german.assign(buffer.data());
        return true;
    }

private:
    bool started_ = false;
};

TEST(ResStrings, IdsAscendInRangeWithText) {
    ASSERT_GT(kResStringCount, 0u);
    unsigned previous = 0;
    for (size_t i = 0; i < kResStringCount; ++i) {
        const ResString& s = kResStrings[i];
        EXPECT_GT(s.id, previous) << "ids must ascend strictly (no duplicates)";
        EXPECT_GE(s.id, kFirstId);
        EXPECT_LE(s.id, kLastId);
        ASSERT_NE(s.text, nullptr) << s.id;
        EXPECT_NE(s.text[0], '\0') << s.id;
        EXPECT_EQ(FindResString(s.id), s.text) << s.id;
        previous = s.id;
    }
}

TEST(ResStrings, LookupOutsideTableFindsNothing) {
    EXPECT_EQ(FindResString(0), nullptr);
    EXPECT_EQ(FindResString(kFirstId - 1), nullptr);
    EXPECT_EQ(FindResString(kLastId + 1), nullptr);
    EXPECT_EQ(FindResString(134), nullptr); // a gap inside the range
    EXPECT_STREQ(FindResString(kLastId), "About %s");
    EXPECT_STREQ(FindResString(141), "Undefined error");
}

TEST(ResStrings, ConversionsAreFoundInOrder) {
    EXPECT_EQ(Conversions("Error deleting %s. File: \"%s\". Error code: %u"),
              (std::vector<std::string>{"%s", "%s", "%u"}));
    EXPECT_EQ(Conversions("%d%% at 0x%08lX"), (std::vector<std::string>{"%d", "%%", "%08lX"}));
    EXPECT_TRUE(Conversions("No sources").empty());
}

TEST(ResStringsGerman, EveryTextIsTranslatedWithTheSameConversions) {
    GermanCatalog catalog;
    ASSERT_TRUE(catalog.Started());
    for (size_t i = 0; i < kResStringCount; ++i) {
        const ResString& s = kResStrings[i];
        std::string german;
        if (!catalog.Translate(s.text, german)) {
            ADD_FAILURE() << "no German text for " << s.id << ": " << s.text;
            continue;
        }
        EXPECT_FALSE(german.empty()) << s.id;
        EXPECT_EQ(Conversions(german), Conversions(s.text)) << s.id << ": " << german;
        EXPECT_TRUE(SamePrintfConversions(s.text, german))
            << s.id << " would be refused by the string table: " << german;
    }
}

TEST(ResStringsGerman, TranslationsDifferFromEnglish) {
    GermanCatalog catalog;
    ASSERT_TRUE(catalog.Started());
    std::set<std::string> sameSeen;
    for (size_t i = 0; i < kResStringCount; ++i) {
        const ResString& s = kResStrings[i];
        std::string german;
        if (!catalog.Translate(s.text, german))
            continue; // reported by the test above
        if (kSameInGerman.count(s.text) != 0) {
            EXPECT_EQ(german, s.text) << s.id;
            sameSeen.insert(s.text);
        } else {
            EXPECT_NE(german, s.text) << s.id << " is left in English";
        }
    }
    EXPECT_EQ(sameSeen, kSameInGerman) << "the allow-list names texts that are not in the table";
}

} // namespace
