#include "effect/effect_library.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/error.h"
#include "base/strtable.h"
#include "program_dir.h"
#include "sound/wave.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

// The text of the MyError that action throws; fails the test when it throws nothing.
template <typename Action>
std::string ErrorText(Action action) {
    try {
        action();
    } catch (const MyError& error) {
        return error.Text() != nullptr ? error.Text() : "";
    }
    ADD_FAILURE() << "no MyError";
    return {};
}

class EffectLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(StartStrings(dir_.File("none.glo"), dir_.Path()), 0u);
        config_.SetProgramFolder(dir_.Path() + "prog");
        fs::create_directories(dir_.Path() + "prog");
        fs::create_directories(dir_.Path() + "in");
    }
    void TearDown() override { EndStrings(); }

    // A WAV file at 22050 Hz, two channels, 8 bits: a rising ramp, one second.
    std::string StereoEightBitWave(const std::string& name) {
        Wave wave;
        wave.format = WaveFormat{kWaveFormatPcm, 2, 22050, 44100, 2, 8, 0};
        for (int i = 0; i < 22050; ++i) {
            wave.data.push_back(static_cast<std::uint8_t>(i & 0xFF));
            wave.data.push_back(static_cast<std::uint8_t>(i & 0xFF));
        }
        std::string path = dir_.File("in/" + name);
        EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
        return path;
    }

    testsupport::TempDir dir_;
    AppConfig config_{"/nonexistent"};
};

TEST_F(EffectLibrary, FindIgnoresCaseAndDeleteEmptiesOnlyExactSlots) {
    config_.voiceEffects = {
        {"Brevo", "Robot", {}}, {"Brevo", "robot", {}}, {"Spectro", "Deep", {}}};
    EXPECT_EQ(FindVoiceEffect(config_.voiceEffects, "ROBOT"), 0);
    EXPECT_EQ(FindVoiceEffect(config_.voiceEffects, "Deeper"), -1);

    config_.effects = {"Deep", "deep", "Deep"};
    DeleteVoiceEffect(config_, 7); // outside the library: nothing happens
    ASSERT_EQ(config_.voiceEffects.size(), 3u);
    DeleteVoiceEffect(config_, 2);
    EXPECT_EQ(config_.effects[0], "");
    EXPECT_EQ(config_.effects[1], "deep");
    EXPECT_EQ(config_.effects[2], "");
    ASSERT_EQ(config_.voiceEffects.size(), 2u);
    EXPECT_EQ(config_.voiceEffects[1].name, "robot");
}

TEST_F(EffectLibrary, ImportSourcesNeedAnAbsolutePath) {
    EXPECT_EQ(ImportFileName("/home/u/fx/Gain.so"), "Gain.so");
    EXPECT_EQ(ImportFileName("relative/fx.so"), "");
    EXPECT_EQ(ImportFileName("\\\\server\\share\\fx.so"), "");
    EXPECT_EQ(PluginPath(config_, ""), config_.PluginFolder() + ".so");
}

TEST_F(EffectLibrary, PluginImportRefusesShortNamesPathsWithoutFolderAndNonPlugins) {
    testsupport::WriteFile(dir_.File("in/a.s"), "x");
    EXPECT_EQ(ErrorText([&] { ImportPlugin(config_, dir_.File("in/a.s")); }),
              "Illegal VST plug-in file name: \"a.s\"");
    EXPECT_EQ(ErrorText([&] { ImportPlugin(config_, "\\\\server\\share\\fx.so"); }),
              "Illegal VST plug-in file name: \"\"");

    testsupport::WriteFile(dir_.File("in/notaplugin.so"), "plain text, not a shared object");
    std::string text = ErrorText([&] { ImportPlugin(config_, dir_.File("in/notaplugin.so")); });
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(PluginExists(config_, "Notaplugin"));
    EXPECT_TRUE(ListPlugins(config_).empty());

    // A plug-in of the same name is already there.
    fs::create_directories(config_.PluginFolder());
    testsupport::WriteFile(config_.PluginFolder() + "Notaplugin.so", "");
    EXPECT_EQ(ErrorText([&] { ImportPlugin(config_, dir_.File("in/notaplugin.so")); }),
              "Plug-in \"Notaplugin\" already exists.");
}

TEST_F(EffectLibrary, PluginImportStoresAPluginUnderItsName) {
    // A plug-in file named in lower case is stored under its plug-in name, which is what the
    // library's plug-in path looks for.
    const std::string source = dir_.File("in/brevo_copy.so");
    fs::copy_file(testsupport::ProgramDir() + "effects/Brevo.so", source);
    ImportPlugin(config_, source);
    EXPECT_TRUE(PluginExists(config_, "Brevo_copy"));
    EXPECT_EQ(ListPlugins(config_), std::vector<std::string>{"Brevo_copy"});
    std::string message;
    EXPECT_TRUE(TestPlugin(PluginPath(config_, "Brevo_copy"), message)) << message;
    EXPECT_EQ(ErrorText([&] { ImportPlugin(config_, source); }),
              "Plug-in \"Brevo_copy\" already exists.");
    DeletePlugin(config_, "Brevo_copy");
    EXPECT_FALSE(PluginExists(config_, "Brevo_copy"));
}

TEST_F(EffectLibrary, SoundImportConvertsToTheMixingFormatUnderItsOwnName) {
    std::string source = StereoEightBitWave("Birds.wav");
    ImportBackSound(config_, source);
    Wave stored;
    ASSERT_EQ(stored.ReadFromFile(config_.BackSoundFolder() + "Birds.wav"), kWaveSuccess);
    EXPECT_EQ(stored.format.samplesPerSec, 44100u);
    EXPECT_EQ(stored.format.channels, 1);
    EXPECT_EQ(stored.format.bitsPerSample, 16);
    EXPECT_FALSE(fs::exists(config_.ProgramFolder() + "tmp.wav"));
    EXPECT_EQ(LastImportFolder(), dir_.Path() + "in");
    EXPECT_TRUE(BackSoundExists(config_, "Birds.wav"));
    EXPECT_FALSE(FunSoundExists(config_, "Birds.wav"));

    EXPECT_EQ(ErrorText([&] { ImportBackSound(config_, source); }),
              "Background sound \"Birds.wav\" already exists.");
    ImportFunSound(config_, source);
    EXPECT_EQ(ErrorText([&] { ImportFunSound(config_, source); }),
              "Fun Sound \"Birds.wav\" already exists");
    EXPECT_EQ(ListFunSounds(config_), std::vector<std::string>{"Birds.wav"});
}

TEST_F(EffectLibrary, SoundImportOfANonWaveFileNamesTheFileAndStoresNothing) {
    testsupport::WriteFile(dir_.File("in/song.wav"), "ID3 this is not a RIFF file");
    std::string text = ErrorText([&] { ImportFunSound(config_, dir_.File("in/song.wav")); });
    EXPECT_NE(text.find("File: \"" + dir_.File("in/song.wav") + "\""), std::string::npos) << text;
    EXPECT_FALSE(FunSoundExists(config_, "song.wav"));
}

TEST_F(EffectLibrary, DeletingRemovesWriteProtectedFilesAndReportsMissingOnes) {
    std::string source = StereoEightBitWave("Rain.wav");
    ImportBackSound(config_, source);
    chmod((config_.BackSoundFolder() + "Rain.wav").c_str(), 0444);
    DeleteBackSound(config_, "Rain.wav");
    EXPECT_TRUE(ListBackSounds(config_).empty());

    std::string text = ErrorText([&] { DeletePlugin(config_, "Missing"); });
    EXPECT_EQ(text.rfind("Error", 0), 0u) << text;
    EXPECT_NE(text.find(config_.PluginFolder() + "Missing.so"), std::string::npos) << text;
}

} // namespace
