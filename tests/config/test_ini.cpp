#include "config/ini.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

IniDocument Doc(std::string_view text) {
    return IniDocument::Parse(text);
}

} // namespace

TEST(IniRead, NamesIgnoreCaseAndFirstOccurrenceWins) {
    IniDocument doc = Doc("[Sys]\n"
                          "Version=1\n"
                          "version=2\n"
                          "[other]\n"
                          "x=o\n"
                          "[SYS]\n"
                          "version=3\n"
                          "extra=4\n");
    EXPECT_EQ(doc.Get("sys", "VERSION"), "1");
    EXPECT_EQ(doc.Get("sYs", "version"), "1");
    // Keys of a later section with the same name are never seen.
    EXPECT_EQ(doc.Get("sys", "extra"), std::nullopt);
    EXPECT_EQ(doc.Get("OTHER", "X"), "o");
    EXPECT_TRUE(doc.HasSection("Other"));
    EXPECT_FALSE(doc.HasSection("missing"));
    EXPECT_EQ(doc.GetString("sys", "missing", "dflt"), "dflt");
}

TEST(IniRead, ValuesAreTrimmedAndUnquoted) {
    IniDocument doc = Doc("before=first section only\n"
                          "  [ s ]  trailing text\n"
                          "  a  =  spaced value \t\n"
                          "b=\"  quoted  \"\n"
                          "c=\"only leading\n"
                          "d=\"\"\"\"\n"
                          "e=\n"
                          "f==x=y\n"
                          "; g=commented\n"
                          "junk line without equals\n"
                          "=no name\n"
                          "[unterminated\n"
                          "h=still in s\n");
    EXPECT_EQ(doc.Get("s", "a"), "spaced value");
    EXPECT_EQ(doc.Get("s", "b"), "  quoted  ");
    EXPECT_EQ(doc.Get("s", "c"), "\"only leading");
    EXPECT_EQ(doc.Get("s", "d"), "\"\"");
    EXPECT_EQ(doc.Get("s", "e"), "");
    EXPECT_EQ(doc.GetString("s", "e", "dflt"), "");
    EXPECT_EQ(doc.Get("s", "f"), "=x=y");
    EXPECT_EQ(doc.Get("s", "; g"), std::nullopt);
    EXPECT_EQ(doc.Get("s", "g"), std::nullopt);
    EXPECT_EQ(doc.Get("s", "h"), "still in s");
    EXPECT_EQ(doc.Get("", "before"), std::nullopt);
    EXPECT_EQ(doc.KeyNames("S"), (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "h"}));
}

TEST(IniWrite, ReplacesInPlaceAppendsToSectionOrAddsSection) {
    IniDocument doc = Doc("; settings\n"
                          "[sys]\n"
                          "Version=1\n"
                          "; keep me\n"
                          "unknown=u\n"
                          "\n"
                          "\n"
                          "[stream]\n"
                          "inBuffsN=40\n");
    ASSERT_TRUE(doc.Set("SYS", "version", "2"));
    ASSERT_TRUE(doc.Set("sys", "wizard", "1"));
    ASSERT_TRUE(doc.Set("monitors", "listen", "only"));
    ASSERT_TRUE(doc.Set("monitors", "monitorOn", "0"));
    EXPECT_EQ(doc.Serialize(), "; settings\n"
                               "[sys]\n"
                               "Version=2\n"
                               "; keep me\n"
                               "unknown=u\n"
                               "wizard=1\n"
                               "\n"
                               "\n"
                               "[stream]\n"
                               "inBuffsN=40\n"
                               "[monitors]\n"
                               "listen=only\n"
                               "monitorOn=0\n");
}

TEST(IniWrite, WritesOnlyTheFirstOccurrence) {
    IniDocument doc = Doc("[a]\nk=1\nk=2\n[A]\nk=3\n");
    ASSERT_TRUE(doc.Set("a", "K", "9"));
    EXPECT_EQ(doc.Serialize(), "[a]\nk=9\nk=2\n[A]\nk=3\n");
    ASSERT_TRUE(doc.DeleteKey("a", "k"));
    // The duplicate comes to light, as it would after re-reading the file.
    EXPECT_EQ(doc.Get("a", "k"), "2");
    EXPECT_EQ(Doc(doc.Serialize()).Get("a", "k"), "2");
}

TEST(IniWrite, DeletesKeysAndWholeSections) {
    IniDocument doc =
        Doc("[emotics]\nnum=3\nfile_0=a.wav\n; note\n[keep]\nx=1\n[EMOTICS]\nnum=7\n");
    EXPECT_FALSE(doc.DeleteKey("emotics", "missing"));
    EXPECT_FALSE(doc.DeleteSection("missing"));
    ASSERT_TRUE(doc.DeleteSection("Emotics"));
    EXPECT_EQ(doc.Serialize(), "[keep]\nx=1\n[EMOTICS]\nnum=7\n");
    // What was a duplicate is now the first "emotics" section.
    EXPECT_EQ(doc.Get("emotics", "num"), "7");
    ASSERT_TRUE(doc.DeleteKey("keep", "X"));
    ASSERT_TRUE(doc.Set("keep", "y", "2"));
    EXPECT_EQ(doc.Serialize(), "[keep]\ny=2\n[EMOTICS]\nnum=7\n");
}

TEST(IniWrite, KeepsLineEndsBomAndMissingFinalLineEnd) {
    IniDocument crlf = Doc("\xEF\xBB\xBF[a]\r\nx=1\r\n");
    EXPECT_TRUE(crlf.UsesCrlf());
    ASSERT_TRUE(crlf.Set("a", "y", "2"));
    ASSERT_TRUE(crlf.Set("b", "z", "3"));
    EXPECT_EQ(crlf.Serialize(), "\xEF\xBB\xBF[a]\r\nx=1\r\ny=2\r\n[b]\r\nz=3\r\n");

    IniDocument open = Doc("[a]\nx=1");
    ASSERT_TRUE(open.Set("a", "x", "long value"));
    EXPECT_EQ(open.Serialize(), "[a]\nx=long value");
    ASSERT_TRUE(open.Set("a", "y", "2"));
    EXPECT_EQ(open.Serialize(), "[a]\nx=long value\ny=2\n");

    IniDocument empty;
    ASSERT_TRUE(empty.Set("s", "k", "v"));
    EXPECT_EQ(empty.Serialize(), "[s]\nk=v\n");
}

TEST(IniWrite, EveryLineKeepsItsOwnLineEnd) {
    // CR LF, LF and a lone CR all end a line; CR CR LF is a lone CR and then a CR LF.
    const std::string text = "[a]\nx=1\r\r\nm=Spk\rtail\r\n[b]\r k = v \rlast=1";
    IniDocument doc = Doc(text);
    EXPECT_FALSE(doc.UsesCrlf());
    EXPECT_EQ(doc.Get("a", "x"), "1");
    EXPECT_EQ(doc.Get("a", "m"), "Spk");
    EXPECT_EQ(doc.Get("b", "last"), "1");
    EXPECT_EQ(doc.Serialize(), text);

    // Writing a value a key already has changes nothing, however the line is spelled.
    ASSERT_TRUE(doc.Set("b", "K", "v"));
    ASSERT_TRUE(doc.Set("a", "m", "Spk"));
    EXPECT_EQ(doc.Serialize(), text);

    ASSERT_TRUE(doc.Set("a", "x", "2"));
    ASSERT_TRUE(doc.Set("a", "new", "3"));
    ASSERT_TRUE(doc.Set("b", "after", "4"));
    EXPECT_EQ(doc.Serialize(),
              "[a]\nx=2\r\r\nm=Spk\rnew=3\ntail\r\n[b]\r k = v \rlast=1\nafter=4\n");
}

TEST(IniWrite, KeepOnlyKeysLeavesOneLinePerKeptKey) {
    IniDocument doc = Doc("[e]\r\nnum=3\r\n; note\r\nfile_0=a\r\nNUM=dup\r\nfile_2=c\r\n"
                          "[other]\r\nx=1\r\n[E]\r\nfile_2=stays\r\n");
    EXPECT_FALSE(doc.KeepOnlyKeys("missing", {}));
    ASSERT_TRUE(doc.KeepOnlyKeys("E", {"num", "FILE_0", "name_0"}));
    EXPECT_EQ(doc.Serialize(), "[e]\r\nnum=3\r\n; note\r\nfile_0=a\r\n"
                               "[other]\r\nx=1\r\n[E]\r\nfile_2=stays\r\n");
    EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"e", "other"}));
}

TEST(IniWrite, RefusesWhatALineCannotHoldAndQuotesWhatWouldBeLost) {
    IniDocument doc = Doc("[a]\nx=1\n");
    EXPECT_FALSE(doc.Set("a", "x", "two\nlines"));
    EXPECT_FALSE(doc.Set("a", "x", "cr\rhere"));
    EXPECT_FALSE(doc.Set("a", "k=v", "1"));
    EXPECT_FALSE(doc.Set("a", ";k", "1"));
    EXPECT_FALSE(doc.Set("a", "[k", "1"));
    EXPECT_FALSE(doc.Set("a", " k", "1"));
    EXPECT_FALSE(doc.Set("a", "", "1"));
    EXPECT_FALSE(doc.Set("a]", "k", "1"));
    EXPECT_FALSE(doc.Set("", "k", "1"));
    EXPECT_EQ(doc.Serialize(), "[a]\nx=1\n");

    for (std::string value : {" lead", "trail\t", "\"quoted\"", "\"", " \" "}) {
        ASSERT_TRUE(doc.Set("a", "x", value));
        EXPECT_EQ(Doc(doc.Serialize()).Get("a", "x"), value);
    }
}

TEST(IniText, CutUtf8KeepsWholeCharacters) {
    EXPECT_EQ(CutUtf8Chars("abc", 5), "abc");
    EXPECT_EQ(CutUtf8Chars("abcdef", 3), "abc");
    EXPECT_EQ(CutUtf8Chars("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5z", 3), "a\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(CutUtf8Chars("\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5", 1), "\xF0\x9F\x8E\xB5");
    // Broken sequences count byte by byte and are never read past the end.
    EXPECT_EQ(CutUtf8Chars("\xE2\x82", 1), "\xE2");
    EXPECT_EQ(CutUtf8Chars("\xC3x\xC3", 2), "\xC3x");
}

namespace {

std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "[",
        "]",
        "=",
        ";",
        "\"",
        " ",
        "\t",
        "\n",
        "\n",
        "\n",
        "[sys]",
        "[Sys]",
        "[stream]",
        "key",
        "KEY",
        "x=1",
        "\xEF\xBB\xBF",
        "\xC3\xA9",
        "\xFF",
        std::string(1, '\0'),
        "\r",
        "\r\n",
        "\r\r\n",
        std::string(3000, 'L'),
        "numEffects=",
        "[eff_0]",
        "param_0=0.5",
    };
    std::string text;
    int n = std::uniform_int_distribution<int>(0, 200)(rng);
    for (int i = 0; i < n; ++i) {
        if (rng() % 4 == 0)
            text += static_cast<char>(rng() & 0xFF);
        else
            text += pieces[rng() % pieces.size()];
    }
    return text;
}

std::string RandomName(std::mt19937& rng) {
    static const std::vector<std::string> names = {"sys", "SYS", "stream", "eff_0", "Eff_0",
                                                   "key", "Key", "x",      "a b",   "\xC3\xA9"};
    return names[rng() % names.size()];
}

std::string RandomValue(std::mt19937& rng) {
    std::string value;
    int n = std::uniform_int_distribution<int>(0, 40)(rng);
    for (int i = 0; i < n; ++i) {
        char c;
        do
            c = static_cast<char>(rng() & 0xFF);
        while (c == '\r' || c == '\n');
        value += c;
    }
    return value;
}

std::string Folded(std::string s) {
    for (char& c : s)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return s;
}

} // namespace

TEST(IniProperty, AnyTextParsesAndWritesReadBack) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        std::string text = RandomText(rng);
        IniDocument doc = Doc(text);
        // Any text is written back byte for byte, also after each key was given its own value.
        for (int i = 0; i < 20; ++i) {
            std::string section = RandomName(rng), key = RandomName(rng);
            if (std::optional<std::string> value = doc.Get(section, key)) {
                ASSERT_TRUE(doc.Set(section, key, *value));
            }
        }
        ASSERT_EQ(doc.Serialize(), text);

        std::map<std::pair<std::string, std::string>, std::string> written;
        int writes = std::uniform_int_distribution<int>(1, 30)(rng);
        for (int i = 0; i < writes; ++i) {
            std::string section = RandomName(rng), key = RandomName(rng);
            std::string value = RandomValue(rng);
            ASSERT_TRUE(doc.Set(section, key, value));
            written[{Folded(section), Folded(key)}] = value;
        }
        IniDocument reread = Doc(doc.Serialize());
        for (const auto& [name, value] : written) {
            EXPECT_EQ(doc.Get(name.first, name.second), value);
            EXPECT_EQ(reread.Get(name.first, name.second), value);
        }
    }
}
