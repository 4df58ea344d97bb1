#include "sound/wave.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

#include "base/mlog.h"
#include "temp_dir.h"
#include "wave_test_files.h"

namespace {

using namespace wavetest;

Wave MakeWave(WaveFormat format, const std::string& bytes, std::uint16_t subFormat = 0) {
    Wave wave;
    wave.format = format;
    wave.subFormat = subFormat;
    wave.data.assign(bytes.begin(), bytes.end());
    return wave;
}

WaveFormat Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
               std::uint16_t tag = kWaveFormatPcm) {
    const auto align = static_cast<std::uint16_t>(channels * (bits / 8));
    return WaveFormat{tag, channels, rate, rate * align, align, bits, 0};
}

// Expected output samples for n input frames resampled to 44100, within a few samples: the
// resampler rounds the length of its output.
void ExpectResampledLength(const Wave& wave, double frames, double rate) {
    const double expected = frames * 44100.0 / rate;
    EXPECT_NEAR(wave.Size() / 2.0, expected, 4.0);
}

TEST(WaveConvert, SoundInTheMixingFormatIsLeftAlone) {
    WaveFormat format = kMixingFormat;
    format.extraSize = 5; // fields beyond the four that decide are not looked at
    Wave wave = MakeWave(format, "\x01\x02\x03\x04\x05");
    EXPECT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    EXPECT_EQ(wave.format.extraSize, 5);
    EXPECT_EQ(wave.data, (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST(WaveConvert, StereoAt44100AveragesTheChannels) {
    // Not a multiple of the 6144-byte pieces, with a stray byte of an incomplete frame.
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < 5000; ++i) {
        stereo.push_back(static_cast<std::int16_t>(i * 13 - 32000));
        stereo.push_back(static_cast<std::int16_t>(32767 - i * 7));
    }
    Wave wave = MakeWave(Pcm(2, 44100, 16), Samples16(stereo) + "z");
    ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    EXPECT_EQ(wave.Size(), 10000u);
    const std::vector<std::int16_t> mono = Samples16Of(wave.data);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(mono[i], std::lrint((stereo[2 * i] + stereo[2 * i + 1]) / 2.0)) << i;
    EXPECT_EQ(std::memcmp(&wave.format, &kMixingFormat, sizeof(WaveFormat)), 0);
    EXPECT_EQ(wave.subFormat, 0);
}

TEST(WaveConvert, EightBitMonoAt22050DoublesInLengthAndBytes) {
    std::string bytes;
    for (int i = 0; i < 22050; ++i)
        bytes += static_cast<char>(128 + std::lround(100 * std::sin(2 * M_PI * 440 * i / 22050.0)));
    Wave wave = MakeWave(Pcm(1, 22050, 8), bytes);
    ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    ExpectResampledLength(wave, 22050, 22050); // four times the bytes
    const auto mono = Samples16Of(wave.data);
    EXPECT_NEAR(ZeroCrossingFrequency(mono, 44100, 500), 440.0, 440 * 0.005);
    EXPECT_NEAR(RmsDb(mono, 500), 20 * std::log10(100.0 / 128 / std::sqrt(2.0)), 0.2);
}

TEST(WaveConvert, ResamplingRunsAcrossThePiecesWithoutSeams) {
    // 48000 stereo: pieces of 1536 frames. A seam shows up as a step no sine of this
    // frequency and level can make between two samples.
    const auto left = Sine16(300, 48000, 0.5, 48000);
    std::vector<std::int16_t> stereo;
    for (std::int16_t s : left) {
        stereo.push_back(s);
        stereo.push_back(s);
    }
    Wave wave = MakeWave(Pcm(2, 48000, 16), Samples16(stereo));
    ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    ExpectResampledLength(wave, 48000, 48000);
    const auto mono = Samples16Of(wave.data);
    const double maxStep = 0.5 * 32767 * 2 * M_PI * 300 / 44100 * 1.02 + 2;
    for (std::size_t i = 200; i + 200 < mono.size(); ++i)
        ASSERT_LE(std::abs(mono[i] - mono[i - 1]), maxStep) << "at " << i;
}

TEST(WaveConvert, WideIntegerAndFloatSamplesRoundAndClipTo16Bits) {
    struct Case {
        const char* what;
        WaveFormat format;
        std::uint16_t subFormat;
        std::string bytes;
        std::vector<std::int16_t> expected;
    };
    auto f32 = [](float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return Le32(bits);
    };
    auto f64 = [](double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        return Le32(static_cast<std::uint32_t>(bits)) +
               Le32(static_cast<std::uint32_t>(bits >> 32));
    };
    const Case cases[] = {
        {"24-bit",
         Pcm(1, 44100, 24),
         0,
         std::string("\x56\x34\x12\x80\x00\x80\xFF\xFF\xFF", 9),
         {0x1234, -32768, 0}},
        {"32-bit",
         Pcm(1, 44100, 32),
         0,
         Le32(0x1234C000) + Le32(0x80000000) + Le32(0x7FFFFFFF),
         {0x1235, -32768, 32767}},
        {"float",
         Pcm(1, 44100, 32, kWaveFormatFloat),
         0,
         f32(0.5f) + f32(-0.25f) + f32(1.5f) + f32(-2.0f) + f32(NAN) + f32(0.00002f),
         {16384, -8192, 32767, -32768, 0, 1}},
        {"double", Pcm(1, 44100, 64, kWaveFormatFloat), 0, f64(0.5) + f64(-1.0), {16384, -32768}},
        {"extensible 24 bits in 32",
         Pcm(2, 44100, 32, kWaveFormatExtensible),
         kWaveFormatPcm,
         Le32(0x40000000) + Le32(0x20000000),
         {12288}},
        {"extensible float",
         Pcm(1, 44100, 32, kWaveFormatExtensible),
         kWaveFormatFloat,
         f32(-0.5f),
         {-16384}},
        {"8-bit",
         Pcm(2, 44100, 8),
         0,
         std::string("\x80\x80\xFF\xFF\x00\x00", 6),
         {0, 32512, -32768}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Wave wave = MakeWave(c.format, c.bytes, c.subFormat);
        ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
        EXPECT_EQ(Samples16Of(wave.data), c.expected);
    }
}

TEST(WaveConvert, FormatsWithoutAConversionAreRefusedAndLeftAlone) {
    const std::string bytes(64, 'x');
    struct Case {
        const char* what;
        WaveFormat format;
        std::uint16_t subFormat;
    };
    const Case cases[] = {
        {"ADPCM", WaveFormat{2, 1, 22050, 11155, 512, 4, 32}, 0},
        {"mu-law", WaveFormat{7, 1, 8000, 8000, 1, 8, 0}, 0},
        {"extensible of another family", Pcm(1, 48000, 16, kWaveFormatExtensible), 0},
        {"16-bit float", Pcm(1, 48000, 16, kWaveFormatFloat), 0},
        {"no channels", WaveFormat{1, 0, 48000, 0, 0, 16, 0}, 0},
        {"no rate", WaveFormat{1, 1, 0, 0, 2, 16, 0}, 0},
        {"block align off", WaveFormat{1, 2, 48000, 0, 6, 16, 0}, 0},
        {"more bits than the block holds", WaveFormat{1, 1, 48000, 0, 2, 24, 0}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Wave wave = MakeWave(c.format, bytes, c.subFormat);
        EXPECT_EQ(wave.ConvertToOneChanel16Bit(), kWaveConvertNotPossible);
        EXPECT_EQ(std::memcmp(&wave.format, &c.format, sizeof(WaveFormat)), 0);
        EXPECT_EQ(wave.data.size(), bytes.size());
    }
}

TEST(WaveConvert, ResultLongerThanAnHourIsRefusedUnchanged) {
    // 1 sample per second up to 44100: every byte becomes 88200 bytes, gigabytes in all.
    Wave tiny = MakeWave(Pcm(1, 1, 8), std::string(100000, '\x80'));
    EXPECT_EQ(tiny.ConvertToOneChanel16Bit(), kWaveConvertTooLong);
    EXPECT_EQ(tiny.format.samplesPerSec, 1u);
    EXPECT_EQ(tiny.Size(), 100000u);
    // Just over an hour at the lowest rate a file may declare.
    Wave hour = MakeWave(Pcm(1, 1000, 8), std::string(3600 * 1000 + 1000, '\x80'));
    EXPECT_EQ(hour.ConvertToOneChanel16Bit(), kWaveConvertTooLong);
    EXPECT_EQ(hour.Size(), 3601000u);
}

TEST(WaveConvert, EmptySoundConvertsToAnEmptySound) {
    Wave wave = MakeWave(Pcm(2, 48000, 16), "");
    EXPECT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    EXPECT_EQ(wave.Size(), 0u);
    EXPECT_EQ(wave.format.samplesPerSec, 44100u);
}

TEST(WaveConvert, LogsTheFormatsAndTheSteps) {
    testsupport::TempDir dir;
    const std::string log = dir.File("test.log");
    ASSERT_TRUE(LogInit(log.c_str(), false, false, false, false, false));
    Wave wave = MakeWave(Pcm(2, 48000, 16), std::string(4000, '\0'));
    const std::uint32_t result = wave.ConvertToOneChanel16Bit();
    LogInit("", false, false, false, false, false);
    ASSERT_EQ(result, 0u);
    std::vector<std::string> lines;
    std::istringstream in(testsupport::ReadFile(log));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "       --> Wave::ConvertToOneChanel16Bit()",
                         "        == Wave::ConvertToOneChanel16Bit(): Convert params.From: "
                         "wFormatTag=1, nChannels=2, wBitsPerSample=16, nSamplesPerSec=48000, "
                         "nBlockAlign=4, nAvgBytesPerSec=192000, cbSize=0 To: wFormatTag=1, "
                         "nChannels=1, wBitsPerSample=16, nSamplesPerSec=44100, nBlockAlign=2, "
                         "nAvgBytesPerSec=88200, cbSize=0",
                         "        == Wave::ConvertToOneChanel16Bit(): Begin convert...",
                         "        == Wave::ConvertToOneChanel16Bit(): End convert. Copy data...",
                         "       <-- Wave::ConvertToOneChanel16Bit() = 0",
                     }));
}

} // namespace
