// The test stream on the in-memory devices: ring sizes, a sound played once or in a loop, and the
// microphone through an effect plug-in, block by block under a manual clock.
#include "teststream/test_stream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "fake_sound_system.h"
#include "sound/wave.h"
#include "temp_dir.h"

namespace {

constexpr std::uint32_t kMark = 0x8102;
constexpr std::uint16_t kBufferMs = 10;
constexpr std::uint32_t kBufferSamples = 441;

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

// A ramp that never repeats within its length: every sample tells its position.
std::vector<std::int16_t> Ramp(std::size_t count) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(100 + 3 * i);
    return samples;
}

// A test stream whose engine thread can be waited for, and that counts what it told.
class ObservedTestStream : public TestStream, public TestStreamReceiver {
public:
    explicit ObservedTestStream(AudioBackend& backend) : TestStream(backend) { SetReceiver(this); }
    ~ObservedTestStream() override { CloseStream(); }

    void OnMessage(std::uint32_t message, std::uintptr_t param) override {
        if (message == kMark) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++marks_;
            cv_.notify_all();
            return;
        }
        TestStream::OnMessage(message, param);
    }
    void TestEnded() override { ++endedCalls; }

    // Waits until the engine thread has handled every buffer handed back so far and the
    // buffers it asked itself to produce for them.
    void Drain() {
        for (int round = 0; round < 2; ++round) {
            std::unique_lock<std::mutex> lock(mutex_);
            const int target = marks_ + 1;
            ASSERT_TRUE(PostEngineMessage(kMark, 0));
            ASSERT_TRUE(
                cv_.wait_for(lock, std::chrono::seconds(10), [&] { return marks_ >= target; }));
        }
    }

    std::atomic<int> endedCalls{0};

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int marks_ = 0;
};

class TestStreamMemory : public ::testing::Test {
protected:
    void SetUp() override {
        // The input's mixer looks at this device model, not at a sound server.
        SetSoundSystem(&sounds_);
        mic_ = backend_.AddCaptureDevice("Built-in Microphone");
        speakers_ = backend_.AddPlaybackDevice("Speakers");
    }

    std::string WriteWave(const std::vector<std::int16_t>& samples) {
        Wave wave;
        wave.format = kMixingFormat;
        wave.data = Bytes(samples);
        const std::string path = dir_.File("sound.wav");
        EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
        return path;
    }

    // Runs the clock a block at a time, letting the engine thread follow.
    void Play(ObservedTestStream& stream, std::uint32_t blocks) {
        for (std::uint32_t i = 0; i < blocks; ++i) {
            backend_.Advance(kBufferSamples);
            stream.Drain();
        }
    }

    void TearDown() override { SetSoundSystem(nullptr); }

    testaudio::FakeSoundSystem sounds_;
    MemoryAudioBackend backend_;
    testsupport::TempDir dir_;
    int mic_ = -1;
    int speakers_ = -1;
};

TEST_F(TestStreamMemory, OutputRingHoldsHalfAgainAsManyBuffersAsTheInput) {
    ObservedTestStream stream(backend_);
    for (std::uint32_t n : {4u, 5u, 1u}) {
        ASSERT_EQ(stream.OpenStream(mic_, speakers_, "", kBufferMs, n), kMmeSuccess);
        EXPECT_EQ(stream.InputBufferCount(), n);
        EXPECT_EQ(stream.OutputBufferCount(), n * 3 / 2) << n;
    }
    stream.CloseStream();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(backend_.IsOpen(DeviceDirection::Playback, speakers_));
    // A device that cannot be opened leaves nothing open.
    EXPECT_NE(stream.OpenStream(mic_ + 7, speakers_, "", kBufferMs, 4), kMmeSuccess);
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_FALSE(backend_.IsOpen(DeviceDirection::Playback, speakers_));
}

TEST_F(TestStreamMemory, SoundPlayedOnceEndsTheTestByItselfAfterItWasHeard) {
    ObservedTestStream stream(backend_);
    const std::vector<std::int16_t> sound = Ramp(5 * kBufferSamples + 100);
    ASSERT_EQ(stream.OpenStream(-1, speakers_, "", kBufferMs, 8), kMmeSuccess);
    ASSERT_EQ(stream.LoadWave(WriteWave(sound)), 0u);
    stream.SetPlayVolume(50);
    ASSERT_EQ(stream.TestStart(), kMmeSuccess);
    EXPECT_TRUE(stream.IsRunning());

    Play(stream, 5);
    EXPECT_TRUE(stream.IsRunning()) << "the last part of the sound is still queued";
    EXPECT_EQ(stream.endedCalls.load(), 0);
    Play(stream, 6);
    EXPECT_FALSE(stream.IsRunning());
    EXPECT_TRUE(stream.HasEnded());
    EXPECT_EQ(stream.endedCalls.load(), 1);

    const std::vector<std::int16_t> played = Samples(backend_.Played(speakers_));
    ASSERT_GE(played.size(), sound.size());
    for (std::size_t i = 0; i < sound.size(); ++i)
        ASSERT_EQ(played[i], static_cast<std::int16_t>(sound[i] * 0.5f)) << i;
    for (std::size_t i = sound.size(); i < played.size(); ++i)
        ASSERT_EQ(played[i], 0) << i;

    // Stop after the end tells the receiver that the test is over and drops the sound.
    stream.Stop();
    EXPECT_EQ(stream.endedCalls.load(), 2);
    stream.Stop();
    EXPECT_EQ(stream.endedCalls.load(), 2) << "nothing was running";
    ASSERT_EQ(stream.TestStart(), kMmeSuccess);
    Play(stream, 3);
    const std::vector<std::int16_t> after = Samples(backend_.Played(speakers_));
    for (std::size_t i = played.size(); i < after.size(); ++i)
        ASSERT_EQ(after[i], 0) << "the sound was unloaded";
}

TEST_F(TestStreamMemory, LoopingSoundStartsAgainWithoutAGap) {
    ObservedTestStream stream(backend_);
    const std::vector<std::int16_t> sound = Ramp(1000); // not a multiple of the block
    ASSERT_EQ(stream.OpenStream(-1, speakers_, "", kBufferMs, 4), kMmeSuccess);
    ASSERT_EQ(stream.LoadWave(WriteWave(sound)), 0u);
    stream.SetLoop(true);
    ASSERT_EQ(stream.TestStart(), kMmeSuccess);
    Play(stream, 12);
    EXPECT_TRUE(stream.IsRunning());
    const std::vector<std::int16_t> played = Samples(backend_.Played(speakers_));
    ASSERT_GE(played.size(), 4 * sound.size());
    for (std::size_t i = 0; i < played.size(); ++i)
        ASSERT_EQ(played[i], sound[i % sound.size()]) << i;

    // The oscilloscope sees what was produced, in order, each sample once.
    std::vector<std::int16_t> scope(TestStream::kScopeSamples);
    const std::size_t seen = stream.ReadScope(scope.data(), scope.size());
    ASSERT_GT(seen, played.size());
    for (std::size_t i = 1; i < seen; ++i) {
        const std::size_t previous = static_cast<std::size_t>(scope[i - 1] - 100) / 3;
        ASSERT_EQ(scope[i], sound[(previous + 1) % sound.size()]) << i;
    }
    EXPECT_EQ(stream.ReadScope(scope.data(), scope.size()), 0u) << "read once";
}

TEST_F(TestStreamMemory, MicrophoneRunsThroughTheEffectToTheOutput) {
    ObservedTestStream stream(backend_);
    const std::vector<std::int16_t> voice = Ramp(8 * kBufferSamples);
    backend_.SetCaptureSignal(mic_, Bytes(voice));
    ASSERT_EQ(stream.OpenStream(mic_, speakers_, "", kBufferMs, 8), kMmeSuccess);
    ASSERT_EQ(stream.LoadEffect(std::string(VOXWARP_TEST_PLUGIN_DIR) + "/gain.so"), kVstSuccess);
    stream.Effect().SetParameter(0, 0.5f); // gain 2
    ASSERT_EQ(stream.TestStart(), kMmeSuccess);
    Play(stream, 16);

    const std::vector<std::int16_t> played = Samples(backend_.Played(speakers_));
    const std::size_t primed = TestStream::kPrimeBuffers * kBufferSamples;
    ASSERT_GE(played.size(), primed + voice.size());
    for (std::size_t i = 0; i < primed; ++i)
        ASSERT_EQ(played[i], 0) << i;
    for (std::size_t i = 0; i < voice.size(); ++i)
        ASSERT_EQ(played[primed + i], 2 * voice[i]) << i;
    EXPECT_TRUE(stream.IsRunning());
    stream.Stop();
    EXPECT_FALSE(stream.Effect().IsLoaded());
}

} // namespace
