#include "base/storedpath.h"
#include "platform/program_folder.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace fs = std::filesystem;

namespace {

// An installed layout: <root>/bin/ holds the programs, <root>/share/voxwarp/ the content.
struct Installation {
    TempDir root;
    std::string bin = root.File("bin/");
    std::string share = root.File("share/voxwarp/");

    Installation() {
        fs::create_directories(bin);
        fs::create_directories(share + "lang");
        fs::create_directories(share + "skins/en");
        WriteFile(share + "config.ini", "[sys]\nwizard=0\n");
        WriteFile(share + "lang/voxwarp_en.glo", "catalog");
        WriteFile(share + "skins/en/Default.sdf", "skin");
    }

    platform::ProgramFolderSetting Setting(const std::string& home) const {
        platform::ProgramFolderSetting setting;
        setting.exeFolder = bin;
        setting.exeFolderWritable = false;
        setting.home = home;
        return setting;
    }
};

} // namespace

TEST(ProgramFolder, VoxwarpHomeWinsAndIsCreated) {
    Installation inst;
    TempDir user;
    platform::ProgramFolderSetting setting = inst.Setting(user.Path());
    setting.exeFolderWritable = true;
    setting.voxwarpHome = user.File("my/voxwarp");
    int error = -1;
    EXPECT_EQ(platform::ResolveProgramFolder(setting, &error), user.File("my/voxwarp/"));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(fs::is_directory(user.File("my/voxwarp")));
    // It is the user's own folder: nothing is copied into it.
    EXPECT_FALSE(fs::exists(user.File("my/voxwarp/config.ini")));
}

TEST(ProgramFolder, WritableExecutableFolderIsUsedUnlessItIsAnInstalledOnes) {
    Installation inst;
    TempDir user;
    platform::ProgramFolderSetting setting = inst.Setting(user.Path());
    setting.exeFolderWritable = true; // an install into a prefix the user may write to
    EXPECT_EQ(platform::ResolveProgramFolder(setting), user.File(".local/share/voxwarp/"));
    fs::remove_all(inst.share);
    setting.exeFolder = inst.root.File("bin"); // a build tree, without the trailing '/'
    EXPECT_EQ(platform::ResolveProgramFolder(setting), inst.bin);
}

TEST(ProgramFolder, FallbackIsFilledOnceWithoutOverwriting) {
    Installation inst;
    TempDir user;
    platform::ProgramFolderSetting setting = inst.Setting(user.Path());
    setting.xdgDataHome = user.File("data");
    const std::string folder = user.File("data/voxwarp/");
    fs::create_directories(folder + "lang");
    WriteFile(folder + "config.ini", "[sys]\nwizard=1\n"); // the user's own

    int error = -1;
    ASSERT_EQ(platform::ResolveProgramFolder(setting, &error), folder);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(ReadFile(folder + "config.ini"), "[sys]\nwizard=1\n");
    EXPECT_EQ(ReadFile(folder + "lang/voxwarp_en.glo"), "catalog");
    EXPECT_EQ(ReadFile(folder + "skins/en/Default.sdf"), "skin");

    // Content the user removed later is not brought back.
    fs::remove(folder + "skins/en/Default.sdf");
    ASSERT_EQ(platform::ResolveProgramFolder(setting), folder);
    EXPECT_FALSE(fs::exists(folder + "skins/en/Default.sdf"));
}

TEST(ProgramFolder, FallbackUsesHomeWhenDataHomeIsUnsetOrRelative) {
    Installation inst;
    TempDir user;
    platform::ProgramFolderSetting setting = inst.Setting(user.Path());
    setting.xdgDataHome = "relative/data";
    const std::string folder = user.File(".local/share/voxwarp/");
    EXPECT_EQ(platform::ResolveProgramFolder(setting), folder);
    EXPECT_EQ(ReadFile(folder + "config.ini"), "[sys]\nwizard=0\n");
}

TEST(ProgramFolder, StoredPathsUseSlashes) {
    EXPECT_EQ(SlashPath(".\\lang\\voxwarp_en.glo"), "./lang/voxwarp_en.glo");
    EXPECT_EQ(ProgramPath("/opt/vx/", ".\\skins\\en\\Default.sdf"), "/opt/vx/skins/en/Default.sdf");
    EXPECT_EQ(ProgramPath("/opt/vx", "help\\voxwarp_de.chm"), "/opt/vx/help/voxwarp_de.chm");
    EXPECT_EQ(ProgramPath("/opt/vx/", "/abs/file"), "/abs/file");
}
