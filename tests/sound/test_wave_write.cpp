#include "sound/wave.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "wave_test_files.h"

namespace {

using namespace wavetest;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(WaveWrite, ConvertedSoundGetsTheCanonicalHeader) {
    TempDir dir;
    const std::string source = dir.File("stereo.wav");
    const std::string target = dir.File("mono.wav");
    WriteFile(source, PcmFile(2, 44100, 16, Samples16({100, 300, -5, -7, 1, 2})));
    Wave wave;
    ASSERT_EQ(wave.ReadFromFile(source), kWaveSuccess);
    ASSERT_EQ(wave.ConvertToOneChanel16Bit(), 0u);
    ASSERT_EQ(wave.WriteToFile(target), kWaveSuccess);

    const std::string expected = "RIFF" + Le32(36 + 6) + "WAVE" + "fmt " + Le32(16) + Le16(1) +
                                 Le16(1) + Le32(44100) + Le32(88200) + Le16(2) + Le16(16) + "data" +
                                 Le32(6) + Samples16({200, -6, 2});
    EXPECT_EQ(ReadFile(target), expected);
}

TEST(WaveWrite, WrittenSoundReadsBackTheSame) {
    TempDir dir;
    Wave wave;
    wave.format = WaveFormat{1, 2, 22050, 88200, 4, 16, 0};
    wave.data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(wave.WriteToFile(dir.File("a.wav")), kWaveSuccess);
    Wave back;
    ASSERT_EQ(back.ReadFromFile(dir.File("a.wav")), kWaveSuccess);
    EXPECT_EQ(back.format.samplesPerSec, 22050u);
    EXPECT_EQ(back.format.channels, 2);
    EXPECT_EQ(back.format.blockAlign, 4);
    EXPECT_EQ(back.data, wave.data);
    // The extra size is not written: the format chunk holds 16 bytes.
    wave.format.extraSize = 9;
    ASSERT_EQ(wave.WriteToFile(dir.File("a.wav")), kWaveSuccess);
    ASSERT_EQ(back.ReadFromFile(dir.File("a.wav")), kWaveSuccess);
    EXPECT_EQ(back.format.extraSize, 0);
    EXPECT_EQ(ReadFile(dir.File("a.wav")).size(), 44u + 8u);
}

TEST(WaveWrite, UnwritablePathFailsWithError4) {
    TempDir dir;
    Wave wave;
    wave.format = kMixingFormat;
    EXPECT_EQ(wave.WriteToFile(dir.File("no/such/folder.wav")), kWaveWriteError);
    EXPECT_EQ(wave.WriteToFile(dir.Path()), kWaveWriteError);
    // A full device: the buffered bytes fail when they are flushed.
    wave.data.assign(10000, 7);
    EXPECT_EQ(wave.WriteToFile("/dev/full"), kWaveWriteError);
}

} // namespace
