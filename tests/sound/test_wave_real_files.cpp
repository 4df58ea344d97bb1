// WAV files written by other programs: the sounds that alsa-utils installs and files that sox
// writes in every sample format that the converter takes.
#include "sound/wave.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "temp_dir.h"
#include "wave_test_files.h"

namespace {

using namespace wavetest;

// Output samples left out at either end of a measurement: the resampler's fade in and out.
constexpr std::size_t kEdge = 2000;

bool HaveSox() {
    return std::system("command -v sox >/dev/null 2>&1") == 0;
}

// The RMS amplitude (1.0 = full scale) that sox's own statistics give for a file.
double SoxRmsDb(const std::string& path) {
    const std::string command = "sox '" + path + "' -n stat 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return NAN;
    double rms = NAN;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr)
        std::sscanf(line, "RMS amplitude: %lf", &rms);
    pclose(pipe);
    return 20 * std::log10(rms);
}

std::uint16_t SampleFormatOf(const Wave& wave) {
    return wave.format.formatTag == kWaveFormatExtensible ? wave.subFormat : wave.format.formatTag;
}

TEST(WaveRealFiles, AlsaSoundsReadAndConvert) {
    const std::filesystem::path folder = "/usr/share/sounds/alsa";
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "alsa-utils sounds are not installed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".wav")
            continue;
        SCOPED_TRACE(entry.path().string());
        ++files;
        // These files have the 44-byte header: the data is everything behind it.
        const std::string bytes = testsupport::ReadFile(entry.path());
        ASSERT_GT(bytes.size(), 44u);
        Wave wave;
        ASSERT_EQ(wave.ReadFromFile(entry.path()), kWaveSuccess);
        EXPECT_EQ(WaveCanUse(entry.path()), kWaveSuccess);
        EXPECT_EQ(wave.format.formatTag, kWaveFormatPcm);
        EXPECT_EQ(wave.format.channels, 1);
        EXPECT_EQ(wave.format.samplesPerSec, 48000u);
        EXPECT_EQ(wave.format.bitsPerSample, 16);
        ASSERT_EQ(std::string(wave.data.begin(), wave.data.end()), bytes.substr(44));

        const double frames = wave.Size() / 2.0;
        const double sourceDb = RmsDb(Samples16Of(wave.data), 0);
        ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
        EXPECT_NEAR(wave.Size() / 2.0, frames * 44100 / 48000, 4.0);
        // Speech keeps its level; the noise loses what lies above the new Nyquist frequency.
        EXPECT_NEAR(RmsDb(Samples16Of(wave.data), 0), sourceDb,
                    entry.path().stem() == "Noise" ? 1.0 : 0.1);
    }
    EXPECT_GT(files, 0);
}

struct SoxFormat {
    unsigned rate;
    unsigned channels;
    unsigned bits;
    const char* encoding;
    std::uint16_t sampleFormat; // the format tag, or the sub-format of an extensible record
};

std::string Name(const SoxFormat& f) {
    return std::to_string(f.rate) + "Hz_" + std::to_string(f.channels) + "ch_" +
           std::to_string(f.bits) + "bit_" + (f.sampleFormat == kWaveFormatFloat ? "float" : "int");
}

class WaveFromSox : public ::testing::TestWithParam<SoxFormat> {};

TEST_P(WaveFromSox, OneSecondSineKeepsFrequencyLevelAndLength) {
    if (!HaveSox())
        GTEST_SKIP() << "sox is not installed";
    const SoxFormat f = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.File("sine.wav");
    const std::string command = "sox -n -r " + std::to_string(f.rate) + " -c " +
                                std::to_string(f.channels) + " -b " + std::to_string(f.bits) +
                                " -e " + f.encoding + " '" + path +
                                "' synth 1 sine 1000 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    Wave wave;
    ASSERT_EQ(wave.ReadFromFile(path), kWaveSuccess);
    EXPECT_EQ(WaveCanUse(path), kWaveSuccess);
    EXPECT_EQ(wave.format.channels, f.channels);
    EXPECT_EQ(wave.format.samplesPerSec, f.rate);
    EXPECT_EQ(wave.format.bitsPerSample, f.bits);
    EXPECT_EQ(SampleFormatOf(wave), f.sampleFormat);
    EXPECT_EQ(wave.Size(), f.rate * f.channels * f.bits / 8);

    ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    const auto mono = Samples16Of(wave.data);
    EXPECT_NEAR(mono.size(), 44100.0, 4.0);
    EXPECT_NEAR(ZeroCrossingFrequency(mono, 44100, kEdge), 1000.0, 1000 * 0.005);
    EXPECT_NEAR(RmsDb(mono, kEdge), SoxRmsDb(path), 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WaveFromSox,
    ::testing::Values(SoxFormat{8000, 1, 8, "unsigned-integer", kWaveFormatPcm},
                      SoxFormat{22050, 2, 8, "unsigned-integer", kWaveFormatPcm},
                      SoxFormat{44100, 1, 16, "signed-integer", kWaveFormatPcm},
                      SoxFormat{44100, 2, 16, "signed-integer", kWaveFormatPcm},
                      SoxFormat{48000, 2, 16, "signed-integer", kWaveFormatPcm},
                      SoxFormat{96000, 1, 16, "signed-integer", kWaveFormatPcm},
                      SoxFormat{11025, 1, 24, "signed-integer", kWaveFormatPcm},
                      SoxFormat{96000, 2, 24, "signed-integer", kWaveFormatPcm},
                      SoxFormat{48000, 2, 32, "signed-integer", kWaveFormatPcm},
                      SoxFormat{8000, 1, 32, "floating-point", kWaveFormatFloat},
                      SoxFormat{44100, 2, 32, "floating-point", kWaveFormatFloat},
                      SoxFormat{48000, 1, 64, "floating-point", kWaveFormatFloat},
                      SoxFormat{48000, 6, 16, "signed-integer", kWaveFormatPcm},
                      SoxFormat{8000, 6, 8, "unsigned-integer", kWaveFormatPcm},
                      SoxFormat{96000, 6, 32, "floating-point", kWaveFormatFloat}),
    [](const ::testing::TestParamInfo<SoxFormat>& info) { return Name(info.param); });

} // namespace
