// voxwarpctl's library commands on a program folder of the test's own.
#include "ctl_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/strtable.h"
#include "ctl_run.h"
#include "sound/wave.h"
#include "temp_dir.h"

namespace {

using Args = std::vector<std::string>;

class VoxwarpctlLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(StartStrings(dir_.File("none.glo"), dir_.Path()), 0u);
        std::filesystem::create_directories(dir_.Path() + "prog");
        config_.SetProgramFolder(dir_.Path() + "prog");
    }
    void TearDown() override { EndStrings(); }

    int Run(const Args& args) {
        out_.str("");
        err_.str("");
        return voxwarpctl::RunLibraryCommand(args, config_, out_, err_);
    }
    std::string WriteWave(const std::string& name) {
        Wave wave;
        wave.format = WaveFormat{kWaveFormatPcm, 1, 44100, 88200, 2, 16, 0};
        wave.data.assign(882, 0);
        std::string path = dir_.File(name);
        EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
        return path;
    }

    testsupport::TempDir dir_;
    AppConfig config_{"/nonexistent"};
    std::ostringstream out_, err_;
};

TEST_F(VoxwarpctlLibrary, ImportsSoundsAndListsTheLibrary) {
    const std::string birds = WriteWave("Birds.wav");
    EXPECT_EQ(Run({"import", "background", birds}), voxwarpctl::kExitDone);
    EXPECT_EQ(out_.str(), "imported background sound Birds.wav\n");
    // A relative path is taken from the current folder.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    WriteWave("Laugh.wav");
    EXPECT_EQ(Run({"import", "fun", "Laugh.wav"}), voxwarpctl::kExitDone);
    std::filesystem::current_path(previous);

    testsupport::WriteFile(config_.VoiceEffectsPath(),
                           "[sys]\nnumEffects=1\n[eff_0]\nvst=Brevo\nname=Robot\nnumParams=0\n");
    EXPECT_EQ(Run({"library"}), voxwarpctl::kExitDone);
    EXPECT_EQ(out_.str(), "voice effect: Robot (Brevo, missing)\n"
                          "background: Birds.wav\n"
                          "fun: Laugh.wav\n");
}

TEST_F(VoxwarpctlLibrary, FailuresGiveTheMessageAndTheirExitCode) {
    const std::string birds = WriteWave("Birds.wav");
    ASSERT_EQ(Run({"import", "background", birds}), voxwarpctl::kExitDone);
    EXPECT_EQ(Run({"import", "background", birds}), voxwarpctl::kExitLibrary);
    EXPECT_EQ(err_.str(), "voxwarpctl: Background sound \"Birds.wav\" already exists.\n");
    EXPECT_EQ(out_.str(), ""); // nothing claims an import that failed

    testsupport::WriteFile(dir_.File("notes.wav"), "not a sound");
    EXPECT_EQ(Run({"import", "fun", dir_.File("notes.wav")}), voxwarpctl::kExitLibrary);
    EXPECT_NE(err_.str().find(dir_.File("notes.wav")), std::string::npos) << err_.str();

    EXPECT_EQ(Run({"import", "plugin", dir_.File("a.s")}), voxwarpctl::kExitLibrary);
    EXPECT_EQ(err_.str(), "voxwarpctl: Illegal VST plug-in file name: \"a.s\"\n");

    EXPECT_EQ(Run({"import", "sound", birds}), voxwarpctl::kExitBadArgs);
    EXPECT_EQ(Run({"import", "fun"}), voxwarpctl::kExitBadArgs);
    EXPECT_EQ(Run({"library", "extra"}), voxwarpctl::kExitBadArgs);
}

} // namespace
