#include "effect/effect_library.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

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

    // A WAV file at 22050 Hz, one channel, 16 bits: a sine of the given frequency, half a second.
    std::string SineWave(const std::string& name, int frequency) {
        Wave wave;
        wave.format = WaveFormat{kWaveFormatPcm, 1, 22050, 44100, 2, 16, 0};
        for (int i = 0; i < 11025; ++i) {
            const auto v =
                static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * frequency * i / 22050));
            wave.data.push_back(static_cast<std::uint8_t>(v & 0xFF));
            wave.data.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        }
        std::string path = dir_.File("in/" + name);
        EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
        return path;
    }

    testsupport::TempDir dir_;
    AppConfig config_{"/nonexistent"};
};

// The frequency of a stored sine, from its rising zero crossings; 0 when it cannot be read.
int StoredFrequency(const std::string& path) {
    Wave wave;
    if (wave.ReadFromFile(path) != kWaveSuccess || wave.format.samplesPerSec != 44100 ||
        wave.Size() < 4)
        return 0;
    int crossings = 0;
    std::int16_t previous = 0;
    for (std::size_t i = 0; i + 1 < wave.data.size(); i += 2) {
        const auto v = static_cast<std::int16_t>(wave.data[i] | wave.data[i + 1] << 8);
        crossings += previous < 0 && v >= 0 ? 1 : 0;
        previous = v;
    }
    return static_cast<int>(std::lround(crossings * 88200.0 / wave.Size()));
}

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

TEST_F(EffectLibrary, FunSoundsGoIntoTheirGroupAndNeverOutOfTheFolder) {
    const std::string source = StereoEightBitWave("Birds.wav");
    EXPECT_EQ(ImportFunSound(config_, source, "Nature/Forest"), "Birds.wav");
    EXPECT_TRUE(FunSoundExists(config_, "Nature/Forest/Birds.wav"));
    EXPECT_EQ(ImportedSoundName(dir_.File("in/Song.mp3")), "Song.wav");
    for (const char* group : {"..", "../x", "Nature/../..", "/tmp", "a//b", "./a", "a/"}) {
        EXPECT_FALSE(IsPlainRelativePath(group)) << group;
        EXPECT_EQ(ErrorText([&] { ImportFunSound(config_, source, group); }),
                  "The name \"" + std::string(group) +
                      "\" cannot be used: a name must not be empty, contain \"/\" or be \".\" "
                      "or \"..\".");
    }
    EXPECT_TRUE(IsPlainRelativePath(""));
    EXPECT_TRUE(IsPlainRelativePath("a..b/.c"));
    EXPECT_FALSE(fs::exists(config_.ProgramFolder() + "Birds.wav"));
}

TEST_F(EffectLibrary, ParallelImportsEachStoreTheirOwnSoundAndOneNameEndsComplete) {
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        const std::string a = SineWave("a" + std::to_string(round) + ".wav", 300 + 40 * round);
        const std::string b = SineWave("b" + std::to_string(round) + ".wav", 900 + 40 * round);
        std::thread other([&] { ImportBackSound(config_, b); });
        ImportBackSound(config_, a);
        other.join();
        EXPECT_NEAR(
            StoredFrequency(config_.BackSoundFolder() + "a" + std::to_string(round) + ".wav"),
            300 + 40 * round, 3);
        EXPECT_NEAR(
            StoredFrequency(config_.BackSoundFolder() + "b" + std::to_string(round) + ".wav"),
            900 + 40 * round, 3);
    }
    // Two imports of one name: one stores its complete sound, the other finds it there.
    fs::create_directories(dir_.File("in/other"));
    const std::string first = SineWave("same.wav", 500);
    fs::rename(SineWave("same2.wav", 700), dir_.File("in/other/same.wav"));
    std::string otherText;
    std::thread other([&] {
        try {
            ImportFunSound(config_, dir_.File("in/other/same.wav"));
        } catch (const MyError& error) {
            otherText = error.Text();
        }
    });
    std::string firstText;
    try {
        ImportFunSound(config_, first);
    } catch (const MyError& error) {
        firstText = error.Text();
    }
    other.join();
    EXPECT_EQ(firstText.empty() + otherText.empty(), 1) << firstText << otherText;
    const int stored = StoredFrequency(config_.FunSoundFolder() + "same.wav");
    EXPECT_TRUE(std::abs(stored - 500) <= 3 || std::abs(stored - 700) <= 3) << stored;
    // Nothing else is left in the folders: no temporary file of either import.
    EXPECT_EQ(ListFunSounds(config_), std::vector<std::string>{"same.wav"});
    EXPECT_EQ(std::distance(fs::directory_iterator(config_.FunSoundFolder()), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(config_.BackSoundFolder()), {}), 20);
}

TEST_F(EffectLibrary, SoundsAreStoredAsWaveFilesAndAFailedStoreLeavesNothingBehind) {
    // The content decides: a WAV file with another extension is stored and listed as ".wav".
    const std::string text = SineWave("good.txt", 440);
    EXPECT_EQ(ImportBackSound(config_, text), "good.wav");
    EXPECT_EQ(ListBackSounds(config_), std::vector<std::string>{"good.wav"});
    EXPECT_EQ(ErrorText([&] { ImportBackSound(config_, text); }),
              "Background sound \"good.wav\" already exists.");

    // A fun sound folder that is a file: the message has the system's words for it, and no
    // temporary file is left anywhere.
    testsupport::WriteFile(config_.ProgramFolder() + "emoticsounds", "not a folder");
    const std::string message = ErrorText([&] { ImportFunSound(config_, text); });
    EXPECT_EQ(message.rfind("Error copying sound. Error code: ", 0), 0u) << message;
    EXPECT_NE(message.find(std::string("(") + std::strerror(ENOTDIR) + ")"), std::string::npos)
        << message;
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(config_.ProgramFolder()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"backsounds", "emoticsounds", "good.wav"}));
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
