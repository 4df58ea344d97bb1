#include "command_line.h"
#include "config/ini.h"
#include "wrapup.h"

#include "elf_note_image.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testsupport::ElfWithPackageNote;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr const char* kAllValues =
    R"({"FileVersion":"5.0.0.0","PartnerId":"partner-1","AffiliateId":"aff 7",)"
    R"("InfoUrl":"https://info.example/?a=1","KestrelUrl":"https://kestrel.example/"})";

constexpr const char* kPanelConfig = "[effects]\n"
                                     "eff_0=Robot\n"
                                     "; a comment\n"
                                     "[sys]\n"
                                     "wizard=1\n"
                                     "[Shortcuts]\n"
                                     "Stop=Ctrl+S\n";

// An installation folder with its companion folder, and an installer whose version strings are
// the given JSON object.
class WrapupRun : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(mkdir(Companion().c_str(), 0755), 0); }

    std::string Companion() const { return install_.File(kCompanionFolder); }
    std::string Config() const { return install_.File("config.ini"); }

    int Run(const std::string& json) {
        WriteFile(installer_.File("setup program"), ElfWithPackageNote(json));
        return RunWrapupIn(install_.Path(), "\"" + installer_.File("setup program") + "\" /S");
    }

    static ino_t Inode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st), 0);
        return st.st_ino;
    }

    static bool Exists(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0;
    }

    TempDir install_;
    TempDir installer_;
};

} // namespace

TEST(WrapupCommandLine, PathIsTheTextBetweenTheFirstTwoQuotes) {
    EXPECT_EQ(PathFromCommandLine("\"/opt/my setup/install\" /S"), "/opt/my setup/install");
    EXPECT_EQ(PathFromCommandLine("/opt/setup/install"), "/opt/setup/install");
    EXPECT_EQ(PathFromCommandLine("/opt/a b"), "/opt/a b");
    EXPECT_EQ(PathFromCommandLine("x \"/opt/a b"), "/opt/a b");
    EXPECT_EQ(PathFromCommandLine("\"\"rest"), "");
    EXPECT_EQ(PathFromCommandLine(""), "");
    const char* argv[] = {"Wrapup", "\"/opt/a", "b\"", "/S"};
    EXPECT_EQ(JoinArguments(4, argv), "\"/opt/a b\" /S");
    EXPECT_EQ(JoinArguments(1, argv), "");
}

TEST_F(WrapupRun, CopiesTheValuesIntoTheSysSectionAndTheAffiliateFiles) {
    WriteFile(Config(), kPanelConfig);
    ASSERT_EQ(Run(kAllValues), kWrapupSuccess);
    const std::string text = ReadFile(Config());
    EXPECT_EQ(text, "[effects]\neff_0=Robot\n; a comment\n[sys]\nwizard=1\n"
                    "PartnerId=partner-1\nAffiliateId=aff 7\nWebInfo=https://info.example/?a=1\n"
                    "KestrelUrl=https://kestrel.example/\n[Shortcuts]\nStop=Ctrl+S\n");
    // The programs' own reader finds them where it looks.
    const IniDocument doc = IniDocument::Parse(text);
    EXPECT_EQ(doc.Get("sys", "PartnerId"), "partner-1");
    EXPECT_EQ(doc.Get("sys", "AffiliateId"), "aff 7");
    EXPECT_EQ(doc.Get("sys", "KestrelUrl"), "https://kestrel.example/");
    EXPECT_EQ(ReadFile(install_.File("affiliate.txt")), "aff 7");
    EXPECT_EQ(ReadFile(Companion() + "/affiliate.txt"), "aff 7");

    // A second run replaces the values where they stand.
    ASSERT_EQ(Run(R"({"PartnerId":"partner-2"})"), kWrapupSuccess);
    EXPECT_EQ(IniDocument::Parse(ReadFile(Config())).Get("sys", "PartnerId"), "partner-2");
    EXPECT_EQ(ReadFile(Config()).size(), text.size());
}

TEST_F(WrapupRun, AMissingConfigIsCreatedWithASysSection) {
    ASSERT_EQ(Run(R"({"KestrelUrl":"k","PartnerId":"p"})"), kWrapupSuccess);
    EXPECT_EQ(ReadFile(Config()), "[sys]\nPartnerId=p\nKestrelUrl=k\n");
}

TEST_F(WrapupRun, WithoutAffiliateIdNoAffiliateFileAndTheKeyStays) {
    WriteFile(Config(), "[sys]\nAffiliateId=earlier\n");
    ASSERT_EQ(Run(R"({"PartnerId":"p"})"), kWrapupSuccess);
    EXPECT_EQ(ReadFile(Config()), "[sys]\nAffiliateId=earlier\nPartnerId=p\n");
    EXPECT_FALSE(Exists(install_.File("affiliate.txt")));
    EXPECT_FALSE(Exists(Companion() + "/affiliate.txt"));
}

TEST_F(WrapupRun, NothingCopiedMeansNothingRewritten) {
    WriteFile(Config(), kPanelConfig);
    const ino_t before = Inode(Config());
    ASSERT_EQ(Run(R"({"FileVersion":"1.0.0.0","partnerid":"wrong case"})"), kWrapupSuccess);
    EXPECT_EQ(Inode(Config()), before);
    EXPECT_EQ(ReadFile(Config()), kPanelConfig);

    unlink(Config().c_str());
    ASSERT_EQ(Run("{}"), kWrapupSuccess);
    EXPECT_FALSE(Exists(Config()));
}

TEST_F(WrapupRun, UnreadableVersionStringsGiveMinusOne) {
    EXPECT_EQ(RunWrapupIn(install_.Path(), "\"" + installer_.File("missing") + "\""),
              kWrapupNoVersionStrings);
    WriteFile(installer_.File("script"), "#!/bin/sh\n");
    EXPECT_EQ(RunWrapupIn(install_.Path(), installer_.File("script")), kWrapupNoVersionStrings);
    EXPECT_EQ(RunWrapupIn(install_.Path(), ""), kWrapupNoVersionStrings);
    EXPECT_EQ(Run("{\"PartnerId\":7}"), kWrapupNoVersionStrings);
    EXPECT_FALSE(Exists(Config()));
}

TEST_F(WrapupRun, AffiliateFileFailuresGiveMinusTwo) {
    ASSERT_EQ(rmdir(Companion().c_str()), 0);
    WriteFile(Config(), kPanelConfig);
    ASSERT_EQ(Run(kAllValues), kWrapupAffiliateNotWritten);
    EXPECT_EQ(ReadFile(install_.File("affiliate.txt")), "aff 7");
    // The configuration is still written.
    EXPECT_EQ(IniDocument::Parse(ReadFile(Config())).Get("sys", "PartnerId"), "partner-1");

    // When the first file cannot be written, the second is not tried.
    ASSERT_EQ(mkdir(Companion().c_str(), 0755), 0);
    unlink(install_.File("affiliate.txt").c_str());
    ASSERT_EQ(mkdir(install_.File("affiliate.txt").c_str(), 0755), 0);
    ASSERT_EQ(Run(kAllValues), kWrapupAffiliateNotWritten);
    EXPECT_FALSE(Exists(Companion() + "/affiliate.txt"));
}

TEST_F(WrapupRun, ConfigFailuresGiveMinusEight) {
    // A config.ini that cannot be read is left alone rather than replaced by the four keys.
    ASSERT_EQ(mkdir(Config().c_str(), 0755), 0);
    EXPECT_EQ(Run(kAllValues), kWrapupConfigNotSaved);
    unlink((Companion() + "/affiliate.txt").c_str());
    ASSERT_EQ(rmdir(Companion().c_str()), 0);
    EXPECT_EQ(Run(kAllValues), kWrapupAffiliateNotWritten); // -2 or -8 stays -2
    ASSERT_EQ(rmdir(Config().c_str()), 0);
    ASSERT_EQ(mkdir(Companion().c_str(), 0755), 0);

    // A value with a line break is not copied; the others are.
    WriteFile(Config(), kPanelConfig);
    EXPECT_EQ(Run(R"({"PartnerId":"p\nInjected=1","KestrelUrl":"k"})"), kWrapupConfigNotSaved);
    EXPECT_EQ(ReadFile(Config()), "[effects]\neff_0=Robot\n; a comment\n[sys]\nwizard=1\n"
                                  "KestrelUrl=k\n[Shortcuts]\nStop=Ctrl+S\n");
}
