#include "base/fileversion.h"
#include "base/version_note.h"

#include "elf_note_image.h"
#include "program_dir.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <random>

using testsupport::ElfImageOptions;
using testsupport::ElfWithPackageNote;
using testsupport::TempDir;
using testsupport::WriteFile;
using versionnote::MemoryByteSource;
using versionnote::NoteSearch;
using versionnote::StringTable;

namespace {

// A record with every field set, to see that a failed read empties it.
FileVersionRecord FilledRecord() {
    FileVersionRecord r;
    r.comments = r.companyName = r.fileDescription = r.fileVersion = r.internalName = "x";
    r.legalCopyright = r.legalTrademarks = r.originalFilename = r.productName = "x";
    r.productVersion = r.privateBuild = r.specialBuild = "x";
    r.productVersionText = r.fileVersionText = "x";
    r.productVersionNumbers = r.fileVersionNumbers = {1, 2, 3, 4};
    return r;
}

void ExpectEmpty(const FileVersionRecord& r) {
    for (const std::string* text :
         {&r.comments, &r.companyName, &r.fileDescription, &r.fileVersion, &r.internalName,
          &r.legalCopyright, &r.legalTrademarks, &r.originalFilename, &r.productName,
          &r.productVersion, &r.privateBuild, &r.specialBuild, &r.productVersionText,
          &r.fileVersionText})
        EXPECT_EQ(*text, "");
    EXPECT_EQ(r.productVersionNumbers, (std::array<uint16_t, 4>{}));
    EXPECT_EQ(r.fileVersionNumbers, (std::array<uint16_t, 4>{}));
}

NoteSearch Find(const std::string& image, std::string& json) {
    MemoryByteSource source(image);
    return versionnote::FindPackageNote(source, json);
}

int ReadImage(const TempDir& dir, const std::string& image, FileVersionRecord& record) {
    WriteFile(dir.File("program"), image);
    return GetFileVersionStrings(dir.File("program"), 1033, 1200, record);
}

} // namespace

TEST(FileVersion, ReadsTheStampOfOurOwnProgram) {
    FileVersionRecord r;
    ASSERT_EQ(GetFileVersionStrings(testsupport::ProgramDir() + "Wrapup", 1033, 1200, r), 0);
    EXPECT_EQ(r.fileVersion, VOXWARP_VERSION_QUAD);
    EXPECT_EQ(r.productVersion, VOXWARP_VERSION_QUAD);
    EXPECT_EQ(r.fileVersionText, VOXWARP_VERSION_QUAD);
    EXPECT_EQ(r.productVersionText, VOXWARP_VERSION_QUAD);
    const std::array<uint16_t, 4> numbers = SplitVersionNumbers(VOXWARP_VERSION_QUAD);
    EXPECT_EQ(r.fileVersionNumbers, numbers);
    EXPECT_EQ(r.productVersionNumbers, numbers);
    EXPECT_EQ(r.companyName, "Voxwarp");
    EXPECT_EQ(r.productName, "Voxwarp");
    EXPECT_EQ(r.originalFilename, "Wrapup");
    EXPECT_EQ(r.internalName, "Wrapup");
    EXPECT_FALSE(r.fileDescription.empty());
    EXPECT_FALSE(r.legalCopyright.empty());
    EXPECT_EQ(r.comments, "");
    EXPECT_EQ(r.legalTrademarks, "");
    EXPECT_EQ(r.privateBuild, "");
    EXPECT_EQ(r.specialBuild, "");
}

TEST(FileVersion, FilesWithoutVersionStringsGiveAnErrorAndEmptyTexts) {
    TempDir dir;
    FileVersionRecord r = FilledRecord();
    EXPECT_EQ(GetFileVersionStrings(dir.File("missing"), 1033, 1200, r), 2);
    ExpectEmpty(r);

    // A program of the system, built without the note.
    r = FilledRecord();
    EXPECT_EQ(GetFileVersionStrings("/bin/true", 1033, 1200, r), ENODATA);
    ExpectEmpty(r);

    r = FilledRecord();
    WriteFile(dir.File("text"), "FileVersion=1.0.0.0\n");
    EXPECT_EQ(GetFileVersionStrings(dir.File("text"), 1033, 1200, r), ENOEXEC);
    ExpectEmpty(r);

    r = FilledRecord();
    EXPECT_EQ(ReadImage(dir, ElfWithPackageNote("{\"FileVersion\":1}"), r), ENODATA);
    ExpectEmpty(r);

    r = FilledRecord();
    EXPECT_EQ(GetFileVersionStrings(dir.Path(), 1033, 1200, r), EISDIR);
    ExpectEmpty(r);
}

TEST(FileVersion, TakesTheTwelveStringsFromAnyElfLayout) {
    const std::string json =
        R"({"Comments":"c","CompanyName":"Maker","FileDescription":"Setup","FileVersion":"2,5",)"
        R"("InternalName":"in","LegalCopyright":"(C) M","LegalTrademarks":"TM",)"
        R"("OriginalFilename":"setup","ProductName":"Prod","ProductVersion":"3.1.4.1.5",)"
        R"("PrivateBuild":"pb","SpecialBuild":"sb","PartnerId":"p"})";
    const ElfImageOptions layouts[] = {
        {},
        {.wide = false},
        {.withSections = false},
        {.wide = false, .withSections = false, .precedingNote = false},
        {.withSegments = false, .noteAlign = 8},
    };
    TempDir dir;
    for (const ElfImageOptions& layout : layouts) {
        FileVersionRecord r;
        ASSERT_EQ(ReadImage(dir, ElfWithPackageNote(json, layout), r), 0)
            << layout.wide << layout.withSections << layout.noteAlign;
        EXPECT_EQ(r.comments, "c");
        EXPECT_EQ(r.companyName, "Maker");
        EXPECT_EQ(r.fileDescription, "Setup");
        EXPECT_EQ(r.fileVersion, "2,5");
        EXPECT_EQ(r.internalName, "in");
        EXPECT_EQ(r.legalCopyright, "(C) M");
        EXPECT_EQ(r.legalTrademarks, "TM");
        EXPECT_EQ(r.originalFilename, "setup");
        EXPECT_EQ(r.productName, "Prod");
        EXPECT_EQ(r.productVersion, "3.1.4.1.5");
        EXPECT_EQ(r.privateBuild, "pb");
        EXPECT_EQ(r.specialBuild, "sb");
        EXPECT_EQ(r.fileVersionText, "2.5.0.0");
        EXPECT_EQ(r.productVersionText, "3.1.4.1");
        EXPECT_EQ(r.fileVersionNumbers, (std::array<uint16_t, 4>{2, 5, 0, 0}));
        EXPECT_EQ(r.productVersionNumbers, (std::array<uint16_t, 4>{3, 1, 4, 1}));
    }

    // A note without version texts still gives the normalised texts.
    FileVersionRecord r;
    ASSERT_EQ(ReadImage(dir, ElfWithPackageNote("{}"), r), 0);
    EXPECT_EQ(r.fileVersionText, "0.0.0.0");
}

TEST(FileVersion, SplitsVersionTextsLikeIntegerReading) {
    using N = std::array<uint16_t, 4>;
    EXPECT_EQ(SplitVersionNumbers(""), (N{0, 0, 0, 0}));
    EXPECT_EQ(SplitVersionNumbers("7"), (N{7, 0, 0, 0}));
    EXPECT_EQ(SplitVersionNumbers("1, 2, 3, 4"), (N{1, 2, 3, 4}));
    EXPECT_EQ(SplitVersionNumbers("..3,,4"), (N{3, 4, 0, 0}));
    EXPECT_EQ(SplitVersionNumbers("2beta.x.-1.70000"), (N{2, 0, 65535, 4464}));
    EXPECT_EQ(SplitVersionNumbers("65536.65537.+3. 9"), (N{0, 1, 3, 9}));
}

TEST(VersionNote, FindsOnlyTheFdoPackageNote) {
    std::string json;
    using testsupport::ElfNote;
    using testsupport::ElfWithNotes;
    // Same type under another owner, and the owner with another type, are other notes.
    EXPECT_EQ(Find(ElfWithNotes(ElfNote("XYZ", 0xcafe1a7e, "{}\0", 4) +
                                ElfNote("FDO", 1, std::string("{}\0", 3))),
                   json),
              NoteSearch::kNoNote);
    EXPECT_EQ(
        Find(ElfWithNotes(ElfNote("GNU", 3, "abcd") + testsupport::PackageNote("{\"a\":\"b\"}")),
             json),
        NoteSearch::kFound);
    EXPECT_EQ(json, "{\"a\":\"b\"}");

    // Big-endian and other non-ELF files.
    std::string image = ElfWithPackageNote("{}");
    image[5] = 2;
    EXPECT_EQ(Find(image, json), NoteSearch::kNotElf);
    EXPECT_EQ(Find("\x7f"
                   "ELF",
                   json),
              NoteSearch::kNotElf);
    EXPECT_EQ(Find("", json), NoteSearch::kNotElf);
    EXPECT_EQ(json, "");
}

TEST(VersionNote, EveryTruncationOfAFileIsHandled) {
    const std::string image = ElfWithPackageNote(R"({"FileVersion":"1.2.3.4"})");
    std::string json;
    for (size_t length = 0; length < image.size(); ++length) {
        const std::string cut = image.substr(0, length);
        EXPECT_NE(Find(cut, json), NoteSearch::kFound) << length;
    }
    EXPECT_EQ(Find(image, json), NoteSearch::kFound);
}

TEST(VersionNote, ReadsStrictJsonObjectsOfStrings) {
    StringTable t;
    ASSERT_TRUE(versionnote::ParseStringObject(" {\"a\" : \"x\\\"\\\\\\/\\b\\f\\n\\r\\t\" "
                                               ",\n\"\\u00dc\\u20AC\\ud83d\\ude00\":\"\xc3\x9c\"} ",
                                               t));
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0], (std::pair<std::string, std::string>{"a", "x\"\\/\b\f\n\r\t"}));
    EXPECT_EQ(t[1].first, "\xc3\x9c\xe2\x82\xac\xf0\x9f\x98\x80");
    EXPECT_EQ(t[1].second, "\xc3\x9c");
    EXPECT_TRUE(versionnote::ParseStringObject("{}", t));
    EXPECT_TRUE(t.empty());
    EXPECT_EQ(*versionnote::FindString(StringTable{{"A", "1"}, {"a", "2"}}, "a"), "2");

    const char* invalid[] = {
        "",
        "[]",
        "{",
        "{\"a\":\"b\"",
        "{\"a\":\"b\",}",
        "{\"a\":\"b\"} x",
        "{\"a\":1}",
        "{\"a\":{\"b\":\"c\"}}",
        "{\"a\":null}",
        "{a:\"b\"}",
        "{'a':'b'}",
        "{\"a\" \"b\"}",
        "{\"a\":\"b\" \"c\":\"d\"}",
        "{\"a\":\"b\",\"a\":\"c\"}",
        "{\"a\":\"line\nbreak\"}",
        "{\"a\":\"\\x\"}",
        "{\"a\":\"\\u12\"}",
        "{\"a\":\"\\u0000\"}",
        "{\"a\":\"\\ud800\"}",
        "{\"a\":\"\\ude00\"}",
        "{\"a\":\"\\ud800\\u0041\"}",
        "{\"a\":\"\xc3\"}",
        "{\"a\":\"\xc0\xaf\"}",
        "{\"a\":\"\xed\xa0\x80\"}",
        "{\"a\":\"\xff\"}",
        "{\"a\":\"unterminated}",
    };
    for (const char* text : invalid) {
        t = {{"stale", "entry"}};
        EXPECT_FALSE(versionnote::ParseStringObject(text, t)) << text;
        EXPECT_TRUE(t.empty()) << text;
    }
}

// Random damage to a valid file and to its JSON: the reader must never read outside the bytes it
// was given (the sanitizer build checks) and must keep its promises about the results.
TEST(VersionNoteFuzz, RandomDamageNeverBreaksTheReader) {
    const std::string json =
        R"({"FileVersion":"1.0.0.0","CompanyName":"Voxwarp \u00dc\ud83d\ude00","PartnerId":"p\"q"})";
    const std::string images[] = {
        ElfWithPackageNote(json),
        ElfWithPackageNote(json, {.wide = false, .withSections = false}),
        ElfWithPackageNote(json, {.withSegments = false, .noteAlign = 8}),
    };
    std::mt19937 rng(20240611);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    static const unsigned char kSpecial[] = {0x00, 0x01, 0x07, 0x08, 0x7f, 0x80, 0xfe, 0xff,
                                             '"',  '\\', 'u',  '{',  '}',  ':',  ',',  0xc3};
    auto mutate = [&](std::string s) {
        const size_t edits = 1 + pick(8);
        for (size_t e = 0; e < edits && !s.empty(); ++e) {
            const size_t at = pick(s.size());
            switch (pick(5)) {
            case 0:
                s[at] = static_cast<char>(s[at] ^ (1 << pick(8)));
                break;
            case 1:
                s[at] = static_cast<char>(kSpecial[pick(sizeof kSpecial)]);
                break;
            case 2:
                s.resize(at);
                break;
            case 3:
                s.erase(at, 1 + pick(4));
                break;
            default:
                s.insert(at, 1, static_cast<char>(kSpecial[pick(sizeof kSpecial)]));
                break;
            }
        }
        return s;
    };
    for (size_t rounds = 0; rounds < 100000 && std::chrono::steady_clock::now() < deadline;
         ++rounds) {
        std::string found;
        const std::string image = mutate(images[rounds % 3]);
        if (Find(image, found) == NoteSearch::kFound) {
            EXPECT_LE(found.size(), versionnote::kMaxDescriptorBytes);
        } else {
            EXPECT_EQ(found, "");
        }

        StringTable t;
        if (!versionnote::ParseStringObject(mutate(json), t)) {
            EXPECT_TRUE(t.empty());
        }
        if (HasFailure())
            break;
    }
}
