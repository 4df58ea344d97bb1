#include "routing/sound_slot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sound/wave.h"
#include "temp_dir.h"

namespace {

using Samples = std::vector<std::int16_t>;

// A list that records the slots whose one-shot sound ended.
class RecordingList : public SoundList {
public:
    RecordingList(std::size_t count, bool loop) : SoundList(count, loop) {}
    std::vector<std::size_t> finished;

protected:
    void OnSoundFinished(std::size_t index) override { finished.push_back(index); }
};

std::string WriteWave(const testsupport::TempDir& dir, const std::string& name, WaveFormat format,
                      const std::vector<std::uint8_t>& bytes) {
    Wave wave;
    wave.format = format;
    wave.data = bytes;
    const std::string path = dir.File(name);
    EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
    return path;
}

std::string WriteSamples(const testsupport::TempDir& dir, const std::string& name,
                         const Samples& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(samples[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>((samples[i] >> 8) & 0xFF);
    }
    return WriteWave(dir, name, kMixingFormat, bytes);
}

class SoundSlots : public ::testing::Test {
protected:
    testsupport::TempDir dir_;
};

TEST_F(SoundSlots, LoopingSoundShorterThanABlockWrapsAsOftenAsNeeded) {
    RecordingList backgrounds(3, true);
    ASSERT_EQ(backgrounds[1].Load(WriteSamples(dir_, "tick.wav", {1000, 2000, 3000})), 0u);
    backgrounds[1].SetActive(true);
    Samples block(8, 10);
    EXPECT_EQ(backgrounds.Mix(1, 7, block.data(), 8), 0u); // 7 wraps to 1; 1 + 8 wraps to 0
    EXPECT_EQ(block, (Samples{2010, 3010, 1010, 2010, 3010, 1010, 2010, 3010}));
    EXPECT_TRUE(backgrounds[1].IsActive());
    EXPECT_TRUE(backgrounds.finished.empty());
}

TEST_F(SoundSlots, OneShotEndsInsideTheBlockAndIsReportedOnce) {
    RecordingList funs(60, false);
    ASSERT_EQ(funs[59].Load(WriteSamples(dir_, "pop.wav", {100, -200, 300})), 0u);
    funs[59].SetActive(true);
    Samples virtualBlock(5, 0), monitorBlock(5, 0);
    EXPECT_EQ(funs.Mix(59, 0, virtualBlock.data(), 5), 3u);
    EXPECT_EQ(virtualBlock, (Samples{100, -200, 300, 0, 0}));
    EXPECT_FALSE(funs[59].IsActive());
    EXPECT_EQ(funs.finished, std::vector<std::size_t>{59});
    // Ended during the first pass: the second output of the same block hears nothing.
    EXPECT_EQ(funs.Mix(59, 0, monitorBlock.data(), 5), 3u);
    EXPECT_EQ(monitorBlock, Samples(5, 0));
    EXPECT_EQ(funs.finished.size(), 1u);

    // Played again from the start on both outputs, each from its own position.
    funs[59].SetActive(true);
    Samples a(2, 0), b(1, 0);
    const std::uint32_t afterA = funs.Mix(59, 0, a.data(), 2);
    EXPECT_EQ(funs.Mix(59, 0, b.data(), 1), 1u);
    EXPECT_EQ(a, (Samples{100, -200}));
    EXPECT_EQ(b, (Samples{100}));
    EXPECT_EQ(afterA, 2u);
}

TEST_F(SoundSlots, VolumeTruncatesAndSumsSaturate) {
    RecordingList list(1, true);
    ASSERT_EQ(list[0].Load(WriteSamples(dir_, "loud.wav", {3, -3, 30000, -30000})), 0u);
    list[0].SetActive(true);
    list[0].SetVolume(0.5f);
    Samples block{0, 0, 20000, -20000};
    list.Mix(0, 0, block.data(), 4);
    EXPECT_EQ(block, (Samples{1, -1, 32767, -32768}));
}

TEST_F(SoundSlots, PositionsPastTheEndAndEmptySlots) {
    RecordingList funs(2, false);
    ASSERT_EQ(funs[0].Load(WriteSamples(dir_, "short.wav", {5, 6})), 0u);
    funs[0].SetActive(true);
    Samples block(3, 0);
    EXPECT_EQ(funs.Mix(0, 2, block.data(), 3), 2u); // a one-shot position at its end: over
    EXPECT_EQ(block, Samples(3, 0));
    EXPECT_EQ(funs.finished, std::vector<std::size_t>{0});

    // Playing an empty slot ends it at the next mix, which reports it.
    funs[1].SetActive(true);
    EXPECT_EQ(funs.Mix(1, 0, block.data(), 3), 0u);
    EXPECT_FALSE(funs[1].IsActive());
    EXPECT_EQ(funs.finished, (std::vector<std::size_t>{0, 1}));

    // An inactive slot mixes nothing.
    Samples untouched(3, 7);
    funs[0].SetActive(false);
    funs.Mix(0, 0, untouched.data(), 3);
    EXPECT_EQ(untouched, Samples(3, 7));
}

TEST_F(SoundSlots, LoadingConvertsToTheStreamFormatAndKeepsNames) {
    SoundSlot slot(true);
    // One second at 22050 Hz, two channels, 8 bits: 44100 mono 16-bit samples after loading.
    std::vector<std::uint8_t> bytes(22050 * 2, 128);
    const std::string path =
        WriteWave(dir_, "birds.wav", WaveFormat{kWaveFormatPcm, 2, 22050, 44100, 2, 8, 0}, bytes);
    ASSERT_EQ(slot.Load(path), 0u);
    EXPECT_NEAR(slot.Count(), 44100u, 2u);
    EXPECT_EQ(slot.Name(), "birds.wav");
    EXPECT_EQ(slot.Path(), path);
    EXPECT_TRUE(slot.IsLoaded());

    EXPECT_EQ(slot.Load("relative/birds.wav"), kWaveOpenError);
    EXPECT_FALSE(slot.IsLoaded());
    EXPECT_EQ(slot.Count(), 0u);
    EXPECT_EQ(slot.Name(), "");
    EXPECT_EQ(slot.Path(), "relative/birds.wav");

    ASSERT_EQ(slot.Load(path), 0u);
    slot.SetActive(true);
    slot.Unload();
    EXPECT_FALSE(slot.IsActive());
    EXPECT_FALSE(slot.IsLoaded());
    EXPECT_EQ(slot.Name(), "");
}

} // namespace
