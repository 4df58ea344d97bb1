#include "base/strtable.h"
#include "child_process.h"
#include "glosso.h"
#include "mo_catalog.h"
#include "mo_writer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using glosso::MoError;
using testsupport::BuildMoCatalog;
using testsupport::MoMessage;

// An exact-size heap copy, so that the sanitizer sees any read past the end.
std::vector<unsigned char> Bytes(const std::string& bytes) {
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

MoError Error(const std::string& bytes) {
    return glosso::MoCatalog(Bytes(bytes)).Error();
}

void PutWord(std::string& bytes, std::size_t offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>(v >> (8 * i));
}

const std::vector<MoMessage> kGerman = {
    {"", "Content-Type: text/plain; charset=UTF-8\n"},
    {"Success", "Erfolg"},
    {"Cancel", "Abbrechen"},
};

TEST(MoCatalogParse, ReadsBothByteOrdersAndAnyOrder) {
    for (bool bigEndian : {false, true}) {
        for (bool sorted : {true, false}) {
            glosso::MoCatalog catalog(Bytes(BuildMoCatalog(kGerman, bigEndian, sorted)));
            ASSERT_EQ(catalog.Error(), MoError::None);
            ASSERT_EQ(catalog.Size(), 2u) << "header entry left out";
            ASSERT_NE(catalog.Find("Success"), std::nullopt);
            EXPECT_EQ(*catalog.Find("Success"), "Erfolg");
            EXPECT_EQ(*catalog.Find("Cancel"), "Abbrechen");
            EXPECT_EQ(catalog.Find("success"), std::nullopt);
            EXPECT_EQ(catalog.Find("Succes"), std::nullopt);
            EXPECT_EQ(catalog.Find(""), std::nullopt);
        }
    }
}

TEST(MoCatalogParse, LeavesOutContextPluralAndUntranslatedEntries) {
    glosso::MoCatalog catalog(Bytes(BuildMoCatalog({
        {std::string("menu\x04Open"), "Kontext"},
        {std::string("file\0files", 10), std::string("Datei\0Dateien", 13)},
        {"Close", ""},
        {"Open", "Offnen"},
        {"Open", "second"},
    })));
    ASSERT_EQ(catalog.Error(), MoError::None);
    EXPECT_EQ(catalog.Size(), 2u);
    EXPECT_EQ(catalog.Find("file"), std::nullopt);
    EXPECT_EQ(catalog.Find("Close"), std::nullopt);
    EXPECT_EQ(catalog.Find("menu"), std::nullopt);
    ASSERT_NE(catalog.Find("Open"), std::nullopt);
    EXPECT_EQ(*catalog.Find("Open"), "Offnen") << "the first of two equal originals wins";
}

TEST(MoCatalogParse, RejectsDamagedCatalogs) {
    const std::string good = BuildMoCatalog({{"Success", "Erfolg"}}); // one entry
    // Layout: header 0..27, originals table 28 (length, offset), translations table 36,
    // strings from 44: "Success\0" (44..51), "Erfolg\0" (52..58).
    ASSERT_EQ(good.size(), 59u);
    struct Case {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
        MoError expected;
    };
    const Case cases[] = {
        {"bad magic", 0, 0x950412df, MoError::BadMagic},
        {"revision 2", 4, 2u << 16, MoError::UnknownRevision},
        {"huge count", 8, 0xFFFFFFFF, MoError::TableOutOfRange},
        {"originals past end", 12, 55, MoError::TableOutOfRange},
        {"translations offset wraps", 16, 0xFFFFFFFC, MoError::TableOutOfRange},
        {"hash table past end", 20, 10, MoError::TableOutOfRange},
        {"string offset past end", 32, 59, MoError::StringOutOfRange},
        {"string length past end", 36, 0xFFFFFFFF, MoError::StringOutOfRange},
        {"no room for the terminator", 36, 7, MoError::StringOutOfRange},
        {"not terminated", 28, 6, MoError::StringNotTerminated},
    };
    for (const Case& c : cases) {
        std::string bytes = good;
        PutWord(bytes, c.offset, c.value);
        glosso::MoCatalog catalog(Bytes(bytes));
        EXPECT_EQ(catalog.Error(), c.expected) << c.what;
        EXPECT_EQ(catalog.Size(), 0u) << c.what;
    }
    EXPECT_EQ(Error(good.substr(0, 27)), MoError::TooShort);
    EXPECT_EQ(Error(good.substr(0, 58)), MoError::StringOutOfRange);
    EXPECT_EQ(glosso::ParseMoCatalog(nullptr, 0).error, MoError::TooShort);
}

// Entries may share strings; the catalog holds the file, not a copy per entry. Sharing that
// makes the strings add up to far more than the file is refused.
TEST(MoCatalogParse, SharedStringsCostTheFileOnce) {
    const std::string twice = testsupport::BuildSharedStringCatalog(2, 100000);
    glosso::MoCatalog catalog(Bytes(twice));
    ASSERT_EQ(catalog.Error(), MoError::None);
    EXPECT_EQ(catalog.Size(), 2u);
    EXPECT_EQ(catalog.Find(std::string(100000, 'a')), std::string(100000, 'a'));
    EXPECT_LT(catalog.BytesHeld(), twice.size() + 1000);

    const std::string often = testsupport::BuildSharedStringCatalog(6000, 100000);
    glosso::MoCatalog refused(Bytes(often));
    EXPECT_EQ(refused.Error(), MoError::StringsTooLong);
    EXPECT_EQ(refused.Size(), 0u);
    EXPECT_LT(refused.BytesHeld(), 1000u);
}

// Random and damaged catalogs: the parser must never crash nor read outside the buffer (the
// sanitizer build checks the latter), and whatever it accepts must be searchable.
TEST(MoCatalogParse, SurvivesRandomAndMutatedBytes) {
    std::mt19937 rng(20240611);
    auto randomWord = [&](std::size_t size) -> std::uint32_t {
        switch (rng() % 6) {
        case 0:
            return 0;
        case 1:
            return static_cast<std::uint32_t>(size);
        case 2:
            return static_cast<std::uint32_t>(size - 1);
        case 3:
            return 0xFFFFFFFF - rng() % 16;
        case 4:
            return rng() % (size + 8);
        default:
            return rng();
        }
    };
    auto check = [](const std::string& bytes) {
        glosso::MoCatalog catalog(Bytes(bytes));
        if (catalog.Error() != MoError::None) {
            EXPECT_EQ(catalog.Size(), 0u);
            return;
        }
        EXPECT_LE(catalog.BytesHeld(), 5 * bytes.size());
        for (const glosso::MoEntry& e : catalog.Entries()) {
            EXPECT_FALSE(e.original.empty());
            EXPECT_FALSE(e.translation.empty());
            EXPECT_LE(e.original.size(), bytes.size());
            EXPECT_LE(e.translation.size(), bytes.size());
            EXPECT_NE(catalog.Find(e.original), std::nullopt);
        }
    };

    for (int i = 0; i < 3000; ++i) {
        std::string bytes(rng() % 160, '\0');
        for (char& b : bytes)
            b = static_cast<char>(rng() % 4 == 0 ? 0 : rng());
        if (bytes.size() >= 28 && rng() % 2 == 0) {
            PutWord(bytes, 0, 0x950412de);
            PutWord(bytes, 4, 0);
            PutWord(bytes, 8, rng() % 6);
        }
        check(bytes);
    }

    std::vector<MoMessage> messages = kGerman;
    messages.push_back({"Open", "\xC3\x96"
                                "ffnen"});
    messages.push_back({std::string("a\0b", 3), std::string("c\0d", 3)});
    for (bool bigEndian : {false, true}) {
        const std::string good = BuildMoCatalog(messages, bigEndian);
        for (int i = 0; i < 5000; ++i) {
            std::string bytes = good;
            int mutations = 1 + static_cast<int>(rng() % 4);
            for (int m = 0; m < mutations; ++m) {
                std::size_t at = rng() % (bytes.size() - 3);
                if (rng() % 2 == 0)
                    bytes[at] = static_cast<char>(rng());
                else
                    PutWord(bytes, at & ~std::size_t(3), randomWord(bytes.size()));
            }
            if (rng() % 4 == 0)
                bytes.resize(rng() % bytes.size());
            check(bytes);
        }
    }
}

// The library's entry points, through the start record the string table builds.
class GlossoLibrary : public ::testing::Test {
protected:
    void TearDown() override { GLEnd(); }

    int Start(const std::string& languageFile) {
        StartRecord record = BuildStartRecord(languageFile, dir_.Path());
        return GLStart(record.data());
    }

    testsupport::TempDir dir_;
};

TEST_F(GlossoLibrary, RefusesBadStartRecords) {
    const std::string file = dir_.File("de.mo");
    testsupport::WriteFile(file, BuildMoCatalog(kGerman));
    StartRecord good = BuildStartRecord(file, dir_.Path());
    ASSERT_NE(GLStart(good.data()), 0);

    EXPECT_EQ(GLStart(nullptr), 0);
    StartRecord wrongSize = good;
    wrongSize[0] = 0x3B; // 1595
    EXPECT_EQ(GLStart(wrongSize.data()), 0);
    for (std::size_t field : {4u, 524u}) {
        StartRecord unterminated = good;
        for (std::size_t i = 0; i < 520; i += 2)
            unterminated[field + i] = 'a';
        EXPECT_EQ(GLStart(unterminated.data()), 0) << "field at " << field;
        StartRecord loneSurrogate = good;
        loneSurrogate[field + 3] = 0xD8; // second unit becomes a high surrogate without a low one
        EXPECT_EQ(GLStart(loneSurrogate.data()), 0) << "field at " << field;
    }
    // A refused start leaves the library stopped.
    char dest[16] = "unchanged";
    EXPECT_EQ(GLTranslateString(dest, "Success", 15), 0);
    EXPECT_STREQ(dest, "unchanged");
    EXPECT_EQ(GLAddThread(1), 0);
}

TEST_F(GlossoLibrary, MissingLanguageFileStartsWithoutTranslations) {
    ASSERT_NE(Start(dir_.File("none.mo")), 0);
    EXPECT_NE(GLAddThread(7), 0);
    char dest[16] = "unchanged";
    EXPECT_EQ(GLTranslateString(dest, "Success", 15), 0);
    EXPECT_STREQ(dest, "unchanged");
}

TEST_F(GlossoLibrary, RefusesLanguageFilesThatAreNoCatalog) {
    std::string bad = BuildMoCatalog(kGerman);
    bad[0] = 'X';
    testsupport::WriteFile(dir_.File("bad.mo"), bad);
    EXPECT_EQ(Start(dir_.File("bad.mo")), 0);
    testsupport::WriteFile(dir_.File("empty.mo"), "");
    EXPECT_EQ(Start(dir_.File("empty.mo")), 0);
    EXPECT_EQ(Start(dir_.Path()), 0) << "a folder is no catalog";
    EXPECT_EQ(GLAddThread(7), 0);
}

// Starts the library with each language file given, in a process whose address space leaves
// 16 MB free; each must be refused. The exit code names the first one that was not.
VOXWARP_TEST_CHILD(GlossoStartInLittleMemory) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max =
        static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (16u << 20);
    if (pages <= 0 || setrlimit(RLIMIT_AS, &limit) != 0)
        return 100;
    for (std::size_t i = 0; i < args.size(); ++i) {
        StartRecord record = BuildStartRecord(args[i], "/");
        char dest[16] = "";
        if (GLStart(record.data()) != 0 || GLTranslateString(dest, "Success", 15) != 0)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

TEST_F(GlossoLibrary, LanguageFilesBeyondTheMemoryAtHandAreRefused) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory leaves no address space to limit";
#endif
    // 600 KB whose entries all name one 300 KB string, and a plain catalog of 24 MB.
    const std::string shared = dir_.File("shared.mo"), large = dir_.File("large.mo");
    testsupport::WriteFile(shared, testsupport::BuildSharedStringCatalog(18000, 300000));
    testsupport::WriteFile(large, BuildMoCatalog({{"Success", std::string(24u << 20, 'e')}}));
    pid_t child = testsupport::SpawnChild("GlossoStartInLittleMemory", {shared, large});
    EXPECT_EQ(testsupport::WaitChild(child), 0) << "1: shared strings, 2: large file";
}

TEST_F(GlossoLibrary, TranslatesByEnglishTextAndCutsAtCharacterBoundaries) {
    // A folder name outside the basic plane checks the record's UTF-16 on its way to the file.
    std::filesystem::create_directory(dir_.File("\xC3\xBC\xF0\x9D\x84\x9E"));
    const std::string file = dir_.File("\xC3\xBC\xF0\x9D\x84\x9E/de.mo");
    std::vector<MoMessage> messages = kGerman;
    messages.push_back({"Open", "\xC3\x96"
                                "ffnen"}); // "Öffnen": Ö is 2 bytes
    messages.push_back({"Close", ""});
    testsupport::WriteFile(file, BuildMoCatalog(messages, /*bigEndian=*/true));
    ASSERT_NE(Start(file), 0);
    EXPECT_NE(GLAddThread(7), 0);

    char dest[32];
    ASSERT_NE(GLTranslateString(dest, "Success", 31), 0);
    EXPECT_STREQ(dest, "Erfolg");
    ASSERT_NE(GLTranslateString(dest, "Open", 7), 0);
    EXPECT_STREQ(dest, "\xC3\x96"
                       "ffnen");
    ASSERT_NE(GLTranslateString(dest, "Open", 6), 0);
    EXPECT_STREQ(dest, "\xC3\x96"
                       "ffne");
    std::memset(dest, 'z', sizeof dest);
    ASSERT_NE(GLTranslateString(dest, "Open", 1), 0);
    EXPECT_STREQ(dest, "") << "Ö does not fit into one byte";

    std::strcpy(dest, "unchanged");
    EXPECT_EQ(GLTranslateString(dest, "Close", 31), 0) << "empty translation";
    EXPECT_EQ(GLTranslateString(dest, "Nothing", 31), 0);
    EXPECT_EQ(GLTranslateString(dest, "Success", -1), 0);
    EXPECT_STREQ(dest, "unchanged");

    EXPECT_NE(GLEnd(), 0);
    EXPECT_EQ(GLTranslateString(dest, "Success", 31), 0);
    EXPECT_EQ(GLEnd(), 0);
}

} // namespace
