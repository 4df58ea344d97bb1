#include "ini_line_file.h"

#include <gtest/gtest.h>

namespace {

IniLineFile Parsed(std::string_view text) {
    IniLineFile file;
    file.Parse(text);
    return file;
}

// A config.ini as the control panel writes it: [sys] in the middle, [Shortcuts] last.
constexpr const char* kPanelConfig = "; written by the control panel\n"
                                     "[effects]\n"
                                     "eff_0=Robot\n"
                                     "[sys]\n"
                                     "activeEffect=0\n"
                                     "wizard=1\n"
                                     "\n"
                                     "[Shortcuts]\n"
                                     "Stop=Ctrl+S\n";

} // namespace

TEST(IniLineFile, ReplacesKeysInPlaceAndKeepsEveryOtherLine) {
    IniLineFile file = Parsed(std::string(kPanelConfig) + "[extra]\nactiveEffect=9\n");
    ASSERT_TRUE(file.Set("activeEffect", "2", "sys"));
    EXPECT_EQ(file.Text(), "; written by the control panel\n[effects]\neff_0=Robot\n[sys]\n"
                           "activeEffect=2\nwizard=1\n\n[Shortcuts]\nStop=Ctrl+S\n"
                           "[extra]\nactiveEffect=9\n");
    const auto& e = file.Entries()[0];
    EXPECT_TRUE(e.noValue);
    EXPECT_EQ(e.key, IniLineFile::kNoValueKey);
    EXPECT_EQ(e.value, "; written by the control panel\n");
}

TEST(IniLineFile, NewKeysGoToTheEndOfTheSysSection) {
    IniLineFile file = Parsed(kPanelConfig);
    ASSERT_TRUE(file.Set("PartnerId", "p1", "sys"));
    ASSERT_TRUE(file.Set("AffiliateId", "a1", "sys"));
    EXPECT_EQ(file.Text(), "; written by the control panel\n[effects]\neff_0=Robot\n[sys]\n"
                           "activeEffect=0\nwizard=1\nPartnerId=p1\nAffiliateId=a1\n\n"
                           "[Shortcuts]\nStop=Ctrl+S\n");

    // Section names compare without regard to case and blanks; keys compare exactly.
    file = Parsed("[other]\nx=1\n  [ SyS ]  \npartnerid=old\n[z]\n");
    ASSERT_TRUE(file.Set("PartnerId", "new", "sys"));
    EXPECT_EQ(file.Text(), "[other]\nx=1\n  [ SyS ]  \npartnerid=old\nPartnerId=new\n[z]\n");

    // A section without keys gets the key right after its header.
    file = Parsed("[sys]\n; note\n[z]\n");
    ASSERT_TRUE(file.Set("K", "v", "sys"));
    EXPECT_EQ(file.Text(), "[sys]\nK=v\n; note\n[z]\n");
}

TEST(IniLineFile, AMissingSysSectionIsAppended) {
    IniLineFile file;
    ASSERT_TRUE(file.Set("PartnerId", "p", "sys"));
    EXPECT_EQ(file.Text(), "[sys]\nPartnerId=p\n");

    // A last line without a line break gets one when lines follow it now.
    file = Parsed("[Shortcuts]\nStop=Ctrl+S\n; end");
    ASSERT_TRUE(file.Set("PartnerId", "p", "sys"));
    EXPECT_EQ(file.Text(), "[Shortcuts]\nStop=Ctrl+S\n; end\n[sys]\nPartnerId=p\n");
    EXPECT_EQ(Parsed("; end").Text(), "; end");
}

TEST(IniLineFile, OnlyTheFirstOfTwoKeysChanges) {
    IniLineFile file = Parsed("[sys]\nPartnerId=one\nPartnerId=two\n");
    ASSERT_TRUE(file.Set("PartnerId", "new", "sys"));
    EXPECT_EQ(file.Text(), "[sys]\nPartnerId=new\nPartnerId=two\n");
}

TEST(IniLineFile, LinesAreKeptWholeWithTheirValues) {
    // The last line without a line break keeps its value whole.
    IniLineFile file = Parsed("[sys]\nkey=a=b\nlast=value");
    ASSERT_EQ(file.Entries().size(), 3u);
    EXPECT_EQ(file.Entries()[1].key, "key");
    EXPECT_EQ(file.Entries()[1].value, "a=b");
    EXPECT_EQ(file.Entries()[2].value, "value");
    EXPECT_EQ(file.Text(), "[sys]\nkey=a=b\nlast=value\n");

    // Lines far beyond any buffer length stay one line each.
    const std::string longValue(3000, 'v');
    const std::string longComment = "; " + std::string(3000, 'c') + "\n";
    file = Parsed("[sys]\nlong=" + longValue + "\n" + longComment);
    ASSERT_EQ(file.Entries().size(), 3u);
    EXPECT_EQ(file.Entries()[1].value, longValue);
    ASSERT_TRUE(file.Set("K", "v", "sys"));
    EXPECT_EQ(file.Text(), "[sys]\nlong=" + longValue + "\nK=v\n" + longComment);
}

TEST(IniLineFile, CrLfFilesStayCrLf) {
    IniLineFile file = Parsed("[sys]\r\nwizard=1\r\n; c\r\n");
    EXPECT_EQ(file.Entries()[1].value, "1");
    ASSERT_TRUE(file.Set("PartnerId", "p", "sys"));
    EXPECT_EQ(file.Text(), "[sys]\r\nwizard=1\r\nPartnerId=p\r\n; c\r\n");
}

TEST(IniLineFile, RefusesWhatCannotBeOneLine) {
    IniLineFile file = Parsed(kPanelConfig);
    EXPECT_FALSE(file.Set("PartnerId", "a\nInjected=1", "sys"));
    EXPECT_FALSE(file.Set("PartnerId", "a\rb", "sys"));
    EXPECT_FALSE(file.Set("Partner=Id", "x", "sys"));
    EXPECT_FALSE(file.Set("", "x", "sys"));
    EXPECT_FALSE(file.Set("Partner\nId", "x", "sys"));
    EXPECT_EQ(file.Text(), kPanelConfig);
}
