#include "audio/wmme.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kHold = 0x8001; // the engine thread waits until released
constexpr std::uint32_t kMark = 0x8002; // the engine thread has handled everything before it
constexpr auto kGenerous = std::chrono::seconds(10);

// An owner that records what the engine hands it and can hold its thread on request.
class TestEngine : public PortAudio {
public:
    ~TestEngine() override {
        Release();
        StopEngine();
    }

    void OnMessage(std::uint32_t message, std::uintptr_t param) override {
        if (message == kHold) {
            std::unique_lock<std::mutex> lock(mutex_);
            holding_ = true;
            cv_.notify_all();
            cv_.wait(lock, [this] { return released_; });
            holding_ = false;
            return;
        }
        if (message == kMark) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++marks_;
            cv_.notify_all();
            return;
        }
        PortAudio::OnMessage(message, param);
    }
    void OnInputData(BufferInfo info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        inputs.push_back(info);
        inputBytes.emplace_back(info.data, info.data + info.bytesUsed);
    }
    void OnOutputDone(BufferInfo info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        doneTags.push_back(info.tag);
    }

    // Holds the engine thread inside a message until Release.
    void Hold() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            released_ = false;
        }
        ASSERT_TRUE(PostEngineMessage(kHold, 0));
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(cv_.wait_for(lock, kGenerous, [this] { return holding_; }));
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }
    // Waits until the engine thread has handled every notification posted so far.
    void Drain() {
        int target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            target = marks_ + 1;
        }
        ASSERT_TRUE(PostEngineMessage(kMark, 0));
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(cv_.wait_for(lock, kGenerous, [&] { return marks_ >= target; }));
    }

    std::vector<BufferInfo> inputs;
    std::vector<Bytes> inputBytes;
    std::vector<std::uint32_t> doneTags;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool holding_ = false;
    bool released_ = true;
    int marks_ = 0;
};

// Captures the process log of one test.
class LogCapture {
public:
    LogCapture() : path_(dir_.File("engine.log")) {
        LogInit(path_.c_str(), false, false, false, false, false);
    }
    ~LogCapture() { LogInit("", false, false, false, false, false); }
    bool Contains(const std::string& text) const {
        return testsupport::ReadFile(path_).find(text) != std::string::npos;
    }

private:
    testsupport::TempDir dir_;
    std::string path_;
};

class StreamEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        mic = backend.AddCaptureDevice("Built-in Microphone");
        card = backend.AddPlaybackDevice("Voxwarp Microphone");
        ASSERT_EQ(engine.StartEngine(), kMmeSuccess);
    }

    Bytes Filled(std::size_t n, std::uint8_t first) {
        Bytes b(n);
        for (std::size_t i = 0; i < n; ++i)
            b[i] = static_cast<std::uint8_t>(first + i);
        return b;
    }

    MemoryAudioBackend backend;
    TestEngine engine;
    int mic = -1;
    int card = -1;
};

TEST(StreamEngineLayout, ComputesBuffersFromMillisecondsRateAndBits) {
    BufferLayout a = ComputeBufferLayout(16, 44100, 25);
    EXPECT_EQ(a.samplesPerBuffer, 1102u);
    EXPECT_EQ(a.bufferBytes, 2204u);
    EXPECT_EQ(a.format.blockAlign, 2u);
    EXPECT_EQ(a.format.avgBytesPerSec, 88200u);

    BufferLayout b = ComputeBufferLayout(8, 8000, 20);
    EXPECT_EQ(b.bufferBytes, 160u);
    EXPECT_EQ(b.bitsPerSample, 8u);

    BufferLayout c = ComputeBufferLayout(12, 44100, 25);
    EXPECT_EQ(c.bitsPerSample, 16u);
    EXPECT_EQ(c.format.bitsPerSample, 16u);
    EXPECT_EQ(c.bufferBytes, 2204u);
}

TEST(StreamEngineLayout, ResultTextsComeFromTheStringTable) {
    for (unsigned id : {120u, 129u, 130u, 133u, 140u, 141u})
        AppStrings().Load(id);
    EXPECT_EQ(MmeErrorText(kMmeSuccess), "Success");
    EXPECT_EQ(MmeErrorText(kMmeNoFreeBuffer), "No free output buffers available");
    EXPECT_EQ(MmeErrorText(kMmeIoError), "I/O Error");
    EXPECT_EQ(MmeErrorText(kMmeNoDriver), "Undefined error");
    EXPECT_EQ(MmeErrorText(kMmeBadParam), "Incorrect parameter");
    EXPECT_EQ(MmeErrorText(kMmeDeviceNotFound), "Device not found");
    EXPECT_EQ(MmeErrorText(kMmeNoMixerDriver), "Undefined error");
}

TEST_F(StreamEngineTest, OpenUsesTheRoundedFormat) {
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 12, 44100, 25, 40), kMmeSuccess);
    EXPECT_EQ(out.BitsPerSample(), 16u);
    EXPECT_EQ(out.BufferBytes(), 2204u);
    EXPECT_EQ(out.SamplesPerBuffer(), 1102u);
    EXPECT_TRUE(backend.IsOpen(DeviceDirection::Playback, card));
    out.Close();
    out.Close();
    EXPECT_FALSE(backend.IsOpen(DeviceDirection::Playback, card));
    EXPECT_EQ(out.Device(), -2);
}

TEST_F(StreamEngineTest, NoDeviceOpensNothingAndCannotStart) {
    LogCapture log;
    PaStreamIn in(backend);
    EXPECT_EQ(in.Open(engine.EngineThreadId(), -2, 16, 44100, 25, 4), kMmeSuccess);
    EXPECT_FALSE(in.IsOpen());
    EXPECT_FALSE(backend.IsOpen(DeviceDirection::Capture, mic));
    EXPECT_EQ(in.Start(), kMmeNotOpen);
    EXPECT_TRUE(log.Contains("Sound card not defined"));
    EXPECT_TRUE(log.Contains("hWaveIn == NULL"));
}

TEST_F(StreamEngineTest, OpenFailuresLeaveTheStreamClosed) {
    LogCapture log;
    PaStreamIn in(backend);
    EXPECT_EQ(in.Open(0, mic, 16, 44100, 25, 4), kMmeOpenFailed);
    EXPECT_TRUE(log.Contains("Stream In: threadId == 0"));
    EXPECT_EQ(in.Open(engine.EngineThreadId(), 7, 16, 44100, 25, 4), kMmeOpenFailed);
    EXPECT_TRUE(log.Contains("waveInOpen == 2"));
    EXPECT_EQ(in.Open(engine.EngineThreadId(), mic, 16, 44100, 25, 0), kMmeBadParam);
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(in.Device(), -2);
    EXPECT_FALSE(backend.IsOpen(DeviceDirection::Capture, mic));
}

TEST_F(StreamEngineTest, CapturedBuffersReachTheOwnerInOrderAndAreQueuedAgain) {
    PaStreamIn in(backend);
    ASSERT_EQ(in.Open(engine.EngineThreadId(), mic, 8, 8000, 20, 3), kMmeSuccess);
    const Bytes signal = Filled(400, 1);
    backend.SetCaptureSignal(mic, signal);
    ASSERT_EQ(in.Start(), kMmeSuccess);
    EXPECT_EQ(backend.HeldBuffers(DeviceDirection::Capture, mic), 3u);

    backend.Advance(100); // not a whole buffer yet
    engine.Drain();
    EXPECT_TRUE(engine.inputs.empty());
    backend.Advance(380); // three buffers of 160 in all
    engine.Drain();
    ASSERT_EQ(engine.inputs.size(), 3u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(engine.inputs[i].index, i);
        EXPECT_EQ(engine.inputs[i].direction, 0u);
        EXPECT_EQ(engine.inputs[i].bytesUsed, 160u);
        EXPECT_EQ(engine.inputs[i].stream, &in);
    }
    EXPECT_EQ(engine.inputBytes[0], Bytes(signal.begin(), signal.begin() + 160));
    Bytes last(signal.begin() + 320, signal.end());
    last.resize(160, 0); // silence after the signal
    EXPECT_EQ(engine.inputBytes[2], last);
    EXPECT_EQ(backend.HeldBuffers(DeviceDirection::Capture, mic), 3u);

    EXPECT_EQ(in.Stop(), kMmeSuccess);
    EXPECT_TRUE(in.Close());
    EXPECT_FALSE(backend.IsOpen(DeviceDirection::Capture, mic));
}

TEST_F(StreamEngineTest, NoInputNotificationAfterStop) {
    PaStreamIn in(backend);
    ASSERT_EQ(in.Open(engine.EngineThreadId(), mic, 8, 8000, 20, 3), kMmeSuccess);
    ASSERT_EQ(in.Start(), kMmeSuccess);
    engine.Hold();
    backend.Advance(320); // two filled buffers wait behind the held message
    EXPECT_EQ(in.Stop(), kMmeSuccess);
    engine.Release();
    engine.Drain();
    EXPECT_TRUE(engine.inputs.empty());
    EXPECT_EQ(backend.HeldBuffers(DeviceDirection::Capture, mic), 0u);
    backend.Advance(480);
    engine.Drain();
    EXPECT_TRUE(engine.inputs.empty());

    // Started again, the ring turns as before.
    ASSERT_EQ(in.Start(), kMmeSuccess);
    EXPECT_EQ(backend.HeldBuffers(DeviceDirection::Capture, mic), 3u);
    backend.Advance(160);
    engine.Drain();
    EXPECT_EQ(engine.inputs.size(), 1u);
}

TEST_F(StreamEngineTest, PlaysWrittenBuffersAndReportsThemDone) {
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 8, 8000, 20, 4), kMmeSuccess);
    out.Start();
    const Bytes a = Filled(160, 0), b = Filled(60, 100);
    ASSERT_EQ(out.Write(a.data(), 160, 11), kMmeSuccess);
    ASSERT_EQ(out.Write(b.data(), 60, 12), kMmeSuccess);
    backend.Advance(1000);
    engine.Drain();
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(backend.Played(card), expected);
    EXPECT_EQ(engine.doneTags, (std::vector<std::uint32_t>{11, 12}));
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 0u);
}

TEST_F(StreamEngineTest, QueueStateCountsWhatTheDeviceStillHolds) {
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 16, 44100, 25, 40), kMmeSuccess);
    QueueState idle = out.GetQueueState();
    EXPECT_EQ(idle.freeBuffers, 40u);
    EXPECT_EQ(idle.totalBytes, 88160u);

    out.Start();
    const Bytes data(2204, 7);
    ASSERT_EQ(out.Write(data.data(), 2204, 1), kMmeSuccess);
    ASSERT_EQ(out.Write(data.data(), 2204, 2), kMmeSuccess);
    ASSERT_EQ(out.Write(data.data(), 1000, 3), kMmeSuccess);
    QueueState q = out.GetQueueState();
    EXPECT_EQ(q.totalBuffers, 40u);
    EXPECT_EQ(q.freeBuffers, 37u);
    EXPECT_EQ(q.queuedBuffers, 3u);
    EXPECT_EQ(q.totalBytes, 88160u);
    EXPECT_EQ(q.freeBytes, 82752u);
    EXPECT_EQ(q.queuedBytes, 5408u);

    backend.Advance(1102); // the first buffer is played
    q = out.GetQueueState();
    EXPECT_EQ(q.queuedBuffers, 2u);
    EXPECT_EQ(q.queuedBytes, 3204u);
}

TEST_F(StreamEngineTest, WriteWithEveryBufferQueuedChangesNothing) {
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 8, 8000, 20, 2), kMmeSuccess);
    out.Start();
    const Bytes a = Filled(160, 1), b = Filled(160, 50), c = Filled(160, 200);
    ASSERT_EQ(out.Write(a.data(), 160, 1), kMmeSuccess);
    ASSERT_EQ(out.Write(b.data(), 160, 2), kMmeSuccess);
    EXPECT_EQ(out.FindFreeBuffer(), -1);
    EXPECT_EQ(out.Write(c.data(), 160, 3), kMmeNoFreeBuffer);
    EXPECT_EQ(out.GetQueueState().queuedBytes, 320u);
    backend.Advance(1000);
    engine.Drain();
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(backend.Played(card), expected);
    EXPECT_EQ(engine.doneTags, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(out.FindFreeBuffer(), 0);
}

TEST_F(StreamEngineTest, WriteToAStoppedStreamPlaysNothing) {
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 8, 8000, 20, 2), kMmeSuccess);
    const Bytes a = Filled(160, 1);
    EXPECT_EQ(out.Write(a.data(), 160, 1), kMmeSuccess); // not started yet
    out.Start();
    EXPECT_EQ(out.Stop(), kMmeSuccess);
    EXPECT_EQ(out.Write(a.data(), 160, 2), kMmeSuccess);
    backend.Advance(1000);
    engine.Drain();
    EXPECT_TRUE(backend.Played(card).empty());
    EXPECT_TRUE(engine.doneTags.empty());
    EXPECT_EQ(out.GetQueueState().freeBuffers, 2u);
}

TEST_F(StreamEngineTest, WriteLargerThanABufferIsRefused) {
    LogCapture log;
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 8, 8000, 20, 2), kMmeSuccess);
    out.Start();
    const Bytes big(161, 9);
    EXPECT_EQ(out.Write(big.data(), 161, 1), kMmeBadParam);
    EXPECT_TRUE(log.Contains("wmme critical error (dataSize > buffSize)"));
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 0u);
    EXPECT_EQ(out.Write(big.data(), 160, 2), kMmeSuccess);
    backend.Advance(1000);
    EXPECT_EQ(backend.Played(card), Bytes(160, 9));
}

TEST_F(StreamEngineTest, WriteToAVanishedDeviceFailsAndCloseReturns) {
    LogCapture log;
    PaStreamOut out(backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), card, 8, 8000, 20, 2), kMmeSuccess);
    out.Start();
    const Bytes a = Filled(160, 1);
    ASSERT_EQ(out.Write(a.data(), 160, 1), kMmeSuccess);
    backend.RemoveDevice(DeviceDirection::Playback, card);
    EXPECT_EQ(out.Write(a.data(), 160, 2), kMmeNoDriver);
    EXPECT_TRUE(log.Contains("Out write error: 6"));
    EXPECT_TRUE(log.Contains("waveOutWrite error 6"));
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 1u);
    out.Close();
    EXPECT_FALSE(out.IsOpen());
    PaStreamOut again(backend);
    EXPECT_EQ(again.Open(engine.EngineThreadId(), card, 8, 8000, 20, 2), kMmeOpenFailed);
}

TEST_F(StreamEngineTest, StopEngineGivesUpWhenTheThreadDoesNotEnd) {
    LogCapture log;
    engine.SetStopTimeout(20);
    engine.Hold();
    EXPECT_EQ(engine.StopEngine(), kMmeTimeout);
    EXPECT_TRUE(log.Contains("Stop mme engine error: Wait timeout expire"));
    EXPECT_NE(engine.EngineThreadId(), 0u);
    engine.Release();
    engine.SetStopTimeout(10000);
    EXPECT_EQ(engine.StopEngine(), kMmeSuccess);
    EXPECT_EQ(engine.EngineThreadId(), 0u);
    EXPECT_TRUE(log.Contains("Exit from thread"));
}

TEST_F(StreamEngineTest, CloseAfterTheEngineStoppedDoesNotHang) {
    PaStreamIn in(backend);
    ASSERT_EQ(in.Open(engine.EngineThreadId(), mic, 8, 8000, 20, 3), kMmeSuccess);
    ASSERT_EQ(in.Start(), kMmeSuccess);
    backend.Advance(160); // one notification that nobody takes
    ASSERT_EQ(engine.StopEngine(), kMmeSuccess);
    in.SetCloseWaitLimit(20);
    EXPECT_TRUE(in.Close());
    EXPECT_FALSE(backend.IsOpen(DeviceDirection::Capture, mic));
}

// A handler that fails leaves the streams in an unknown state: the owner hears of it, then the
// process ends.
class ThrowingEngine : public PortAudio {
public:
    ~ThrowingEngine() override { StopEngine(); }
    void OnInputData(BufferInfo) override { throw std::runtime_error("handler failed"); }
    void OnAudioException(std::uint32_t message) override {
        std::fprintf(stderr, "audio exception on message %u\n", message);
    }
};

TEST(StreamEngineDeathTest, AFailingHandlerEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            MemoryAudioBackend backend;
            const int mic = backend.AddCaptureDevice("Built-in Microphone");
            ThrowingEngine engine;
            engine.StartEngine();
            PaStreamIn in(backend);
            in.Open(engine.EngineThreadId(), mic, 8, 8000, 20, 2);
            in.Start();
            backend.Advance(160);
            std::this_thread::sleep_for(std::chrono::seconds(30));
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "audio exception on message 960");
}

} // namespace
