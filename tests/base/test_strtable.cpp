#include "base/error.h"
#include "base/strtable.h"
#include "captured_log.h"
#include "mo_writer.h"
#include "program_dir.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

const std::string kNotFound = "!String did not found!";

std::uint32_t WordAt(const StartRecord& r, std::size_t offset) {
    return r[offset] | r[offset + 1] << 8 | r[offset + 2] << 16 |
           std::uint32_t(r[offset + 3]) << 24;
}

std::u16string FieldAt(const StartRecord& r, std::size_t offset) {
    std::u16string units;
    for (std::size_t i = 0; i < 520; i += 2)
        units += static_cast<char16_t>(r[offset + i] | r[offset + i + 1] << 8);
    return units;
}

TEST(StartRecord, LaysOutSizePathsAndFixedValues) {
    // ü (2 bytes in UTF-8, one UTF-16 unit) and U+1D11E (4 bytes, a surrogate pair).
    StartRecord r = BuildStartRecord("/v/\xC3\xBC\xF0\x9D\x84\x9E.glo", "/v/lang/");
    EXPECT_EQ(WordAt(r, 0), 1596u);
    std::u16string file = u"/v/\u00FC\U0001D11E.glo";
    std::u16string folder = u"/v/lang/";
    EXPECT_EQ(FieldAt(r, 4), file + std::u16string(260 - file.size(), u'\0'));
    EXPECT_EQ(FieldAt(r, 524), folder + std::u16string(260 - folder.size(), u'\0'));
    EXPECT_EQ(WordAt(r, 1568), 1u);
    // Everything outside the two paths and the size is zero but the 1 at 1568.
    for (std::size_t i = 1044; i < r.size(); ++i)
        EXPECT_EQ(r[i], i == 1568 ? 1 : 0) << "byte " << i;
}

TEST(StartRecord, CutsLongPathsAndKeepsTheTerminator) {
    StartRecord r = BuildStartRecord("/" + std::string(400, 'a'), "/" + std::string(258, 'b'));
    std::u16string file = FieldAt(r, 4);
    EXPECT_EQ(file, u"/" + std::u16string(258, u'a') + u'\0');
    EXPECT_EQ(FieldAt(r, 524), u"/" + std::u16string(258, u'b') + u'\0') << "259 units fit";

    // A surrogate pair that would cross the limit is left out whole.
    r = BuildStartRecord("/" + std::string(257, 'a') + "\xF0\x9D\x84\x9E", "/");
    EXPECT_EQ(FieldAt(r, 4), u"/" + std::u16string(257, u'a') + std::u16string(2, u'\0'));
    EXPECT_EQ(CompleteStartPath(std::string(400, 'c'), "/x/").size(), 259u);
}

TEST(StartPaths, CompletesAgainstTheExecutableFolder) {
    const std::string exe = "/opt/voxwarp/";
    struct Case {
        const char* configured;
        const char* file;
        const char* folder;
    };
    const Case cases[] = {
        {"/usr/share/vx/de.glo", "/usr/share/vx/de.glo", "/usr/share/vx/de.glo/"},
        {".\\lang\\voxwarp_en.glo", "/opt/voxwarp/lang/voxwarp_en.glo",
         "/opt/voxwarp/lang/voxwarp_en.glo/"},
        {"lang\\x.glo", "/opt/voxwarp/lang/x.glo", "/opt/voxwarp/lang/x.glo/"},
        {"..\\shared\\..\\lang\\de.glo", "/opt/lang/de.glo", "/opt/lang/de.glo/"},
        {"/a//b/./c/../d", "/a/b/d", "/a/b/d/"},
        {"/../../x", "/x", "/x/"},
        {".\\lang\\", "/opt/voxwarp/lang/", "/opt/voxwarp/lang/"},
        {"lang", "/opt/voxwarp/lang", "/opt/voxwarp/lang/"},
        {"", "/opt/voxwarp/", "/opt/voxwarp/"},
        {"\\\\srv\\lang", "/srv/lang", "/srv/lang/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompleteStartPath(c.configured, exe), c.file) << c.configured;
        EXPECT_EQ(CompleteLanguagesFolder(c.configured, exe), c.folder) << c.configured;
    }
    EXPECT_EQ(CompleteStartPath("x.glo", "rel/"),
              std::filesystem::current_path().string() + "/rel/x.glo");
}

// English texts for every id from 0 to 1000.
const char* EveryId(unsigned id) {
    static std::map<unsigned, std::string> texts;
    auto [it, added] = texts.try_emplace(id, "text " + std::to_string(id));
    return it->second.c_str();
}

class StringTableTest : public ::testing::Test {
protected:
    std::string WriteCatalog(const std::string& name,
                             const std::vector<testsupport::MoMessage>& messages) {
        testsupport::WriteFile(dir_.File(name), testsupport::BuildMoCatalog(messages, false, true));
        return dir_.File(name);
    }

    testsupport::TempDir dir_;
};

TEST_F(StringTableTest, FillsOnlyIdsWithTextInTheRange) {
    StringTable table(FindResString, dir_.Path());
    EXPECT_NE(table.Start("none.glo", "."), 0u) << "a missing language file is no failure";
    EXPECT_TRUE(table.TranslationStarted());
    EXPECT_EQ(table.Lookup(120), "Success");
    for (unsigned id : {100u, 281u, 400u, 401u})
        EXPECT_EQ(table.Lookup(id), kNotFound) << id;
    EXPECT_FALSE(table.Load(100));
    EXPECT_FALSE(table.Load(281));

    StringTable every(EveryId, dir_.Path());
    every.Start("none.glo", ".");
    EXPECT_EQ(every.Lookup(100), "text 100");
    EXPECT_EQ(every.Lookup(400), "text 400");
    EXPECT_EQ(every.Lookup(99), kNotFound);
    EXPECT_EQ(every.Lookup(401), kNotFound);
    EXPECT_TRUE(every.Load(401));
    EXPECT_EQ(every.Lookup(401), "text 401");

    every.End();
    EXPECT_FALSE(every.TranslationStarted());
    EXPECT_EQ(every.Lookup(120), kNotFound) << "End empties the table";
}

TEST_F(StringTableTest, KeepsTranslationsUpTo31999AndEnglishUpTo31998Bytes) {
    static const std::map<unsigned, std::string> english = {
        {200, "Long"},
        {201, "Longer"},
        {202, std::string(31999, 'e')},
        {203, std::string(31997, 'e') + "\xC3\xA4"}, // ä would end at byte 31999
    };
    auto source = [](unsigned id) -> const char* {
        auto it = english.find(id);
        return it == english.end() ? nullptr : it->second.c_str();
    };
    StringTable table(source, dir_.Path());
    std::string file = WriteCatalog(
        "long.glo", {{"Long", std::string(31999, 't')}, {"Longer", std::string(32005, 'u')}});
    ASSERT_NE(table.Start(file, dir_.Path()), 0u);
    EXPECT_EQ(table.Lookup(200), std::string(31999, 't'));
    EXPECT_EQ(table.Lookup(201), std::string(31999, 'u'));
    EXPECT_EQ(table.Lookup(202), std::string(31998, 'e'));
    EXPECT_EQ(table.Lookup(203), std::string(31997, 'e'));
}

TEST_F(StringTableTest, ShowsTheShippedCatalogs) {
    const std::string program = testsupport::ProgramDir();
    {
        StringTable table(FindResString, program);
        EXPECT_NE(table.Start(".\\lang\\voxwarp_de.glo", ".\\lang\\"), 0u);
        EXPECT_NE(table.Lookup(120), "Success");
        EXPECT_FALSE(table.Lookup(120).empty());
        EXPECT_NE(table.Lookup(120), kNotFound);
    }
    {
        StringTable table(FindResString, "/nowhere/");
        EXPECT_NE(table.Start(program + "lang/voxwarp_en.glo", program + "lang"), 0u);
        EXPECT_EQ(table.Lookup(120), "Success");
    }
}

TEST_F(StringTableTest, FallsBackToEnglishWhenTheCatalogIsCorrupt) {
    std::string file = WriteCatalog("de.glo", {{"Success", "Erfolg"}});
    {
        StringTable table(FindResString, dir_.Path());
        ASSERT_NE(table.Start("de.glo", ""), 0u);
        EXPECT_EQ(table.Lookup(120), "Erfolg");
    }
    std::string bytes = testsupport::ReadFile(file);
    bytes[12] = '\x7F'; // originals table far past the end
    testsupport::WriteFile(file, bytes);
    StringTable table(FindResString, dir_.Path());
    EXPECT_EQ(table.Start("de.glo", ""), 0u);
    EXPECT_FALSE(table.TranslationStarted());
    EXPECT_EQ(table.Lookup(120), "Success");
    EXPECT_EQ(table.Lookup(100), kNotFound);
}

// Texts are printf formats: a translation that would take other arguments than the English
// text is not used, the English text is.
TEST_F(StringTableTest, UsesOnlyTranslationsThatTakeTheArgumentsOfTheEnglishText) {
    testaudio::CapturedLog log;
    std::string manyStrings;
    for (int i = 0; i < 22; ++i)
        manyStrings += "%s ";
    std::string file = WriteCatalog(
        "de.glo", {
                      {"%s. File: \"%s\"", manyStrings},
                      {"Error copying sound. Error code: %u", "Fehler beim Kopieren: %u"},
                      {"Plug-in \"%s\" already exists.", "Plug-in \"%s\"%n ist vorhanden."},
                      {"Error copying plug-in. Error code: %u", "Fehler beim Kopieren: %s"},
                      {"Voice Effect %d", "Stimmeffekt %ld"},
                      {"Success", "Erfolg zu 100 %"},
                  });
    StringTable table(FindResString, dir_.Path());
    ASSERT_NE(table.Start(file, dir_.Path()), 0u);
    EXPECT_EQ(table.Lookup(254), "Fehler beim Kopieren: %u");
    EXPECT_FALSE(log.Contains("Translation of text 254"));
    for (unsigned id : {250u, 244u, 245u, 271u, 120u}) {
        EXPECT_EQ(table.Lookup(id), FindResString(id));
        EXPECT_TRUE(log.Contains("Translation of text " + std::to_string(id) +
                                 " refused: its conversions differ from the built-in text"))
            << id;
    }
    MyError error(table.Lookup(250).c_str(), "Error opening WAV file", "/x/notwav.wav");
    EXPECT_STREQ(error.Text(), "Error opening WAV file. File: \"/x/notwav.wav\"");
}

TEST_F(StringTableTest, LanguageFileThatSharesOneStringBeyondItsSizeIsNotUsable) {
    testaudio::CapturedLog log;
    // 200 KB whose 6000 entries all name one 100 KB string.
    std::string file = dir_.File("shared.glo");
    testsupport::WriteFile(file, testsupport::BuildSharedStringCatalog(6000, 100000));
    StringTable table(FindResString, dir_.Path());
    EXPECT_EQ(table.Start(file, dir_.Path()), 0u);
    EXPECT_EQ(table.Lookup(120), "Success");
    EXPECT_TRUE(log.Contains(file + ": language file not usable, the built-in texts are used"));
}

TEST_F(StringTableTest, ProcessTableServesShortLookups) {
    EXPECT_NE(StartStrings(dir_.File("none.glo"), dir_.Path()), 0u);
    EXPECT_EQ(LoadStr(120), "Success");
    EXPECT_EQ(LoadStr(100), kNotFound);
    EndStrings();
    EXPECT_EQ(LoadStr(120), kNotFound);
}

} // namespace
