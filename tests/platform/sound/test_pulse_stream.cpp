// The stream engine on the real sound server: capture from the fake microphone, playback to the
// speakers recorded back from their monitor, a playback device that goes away mid-stream, and a
// server that is not there.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_devices.h"
#include "audio/wmme.h"
#include "base/mlog.h"
#include "platform/sound/sound_server.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"

namespace {

using Samples = std::vector<double>; // -1.0 .. 1.0
constexpr auto kGenerous = std::chrono::seconds(10);
constexpr double kPi = 3.14159265358979323846;

// An engine owner that keeps what it is handed.
class CollectingEngine : public PortAudio {
public:
    ~CollectingEngine() override { StopEngine(); }

    void OnMessage(std::uint32_t message, std::uintptr_t param) override {
        if (message == kMark) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++marks_;
            cv_.notify_all();
            return;
        }
        PortAudio::OnMessage(message, param);
    }
    // Waits until the engine thread has handled everything posted to it so far.
    bool Drain() {
        int target;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            target = marks_ + 1;
        }
        if (!PostEngineMessage(kMark, 0))
            return false;
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, kGenerous, [&] { return marks_ >= target; });
    }

    void OnInputData(BufferInfo info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        inputSizes_.push_back(info.bytesUsed);
        const std::uint32_t bytesPerSample = info.stream->Format().blockAlign;
        for (std::uint32_t i = 0; i + bytesPerSample <= info.bytesUsed; i += bytesPerSample) {
            if (bytesPerSample == 1) {
                recorded_.push_back((info.data[i] - 128) / 128.0);
            } else {
                auto v = static_cast<std::int16_t>(info.data[i] | (info.data[i + 1] << 8));
                recorded_.push_back(v / 32768.0);
            }
        }
        cv_.notify_all();
    }
    void OnOutputDone(BufferInfo info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        doneTags_.push_back(info.tag);
        cv_.notify_all();
    }

    std::size_t DoneCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        return doneTags_.size();
    }
    // Waits until at least count buffers came back played, or a short while when count is 0.
    bool WaitDone(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, limit, [&] { return doneTags_.size() >= count; });
    }
    std::vector<std::uint32_t> DoneTags() {
        std::lock_guard<std::mutex> lock(mutex_);
        return doneTags_;
    }
    std::vector<std::uint32_t> InputSizes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return inputSizes_;
    }
    Samples Recorded() {
        std::lock_guard<std::mutex> lock(mutex_);
        return recorded_;
    }

private:
    static constexpr std::uint32_t kMark = 0x8002;
    std::mutex mutex_;
    std::condition_variable cv_;
    int marks_ = 0;
    std::vector<std::uint32_t> inputSizes_;
    Samples recorded_;
    std::vector<std::uint32_t> doneTags_;
};

// 16-bit little-endian PCM of a sine.
std::string SineBytes(double hz, double seconds, unsigned rate, double amplitude) {
    std::string bytes;
    const auto n = static_cast<std::size_t>(seconds * rate);
    for (std::size_t i = 0; i < n; ++i) {
        auto v = static_cast<std::int16_t>(
            std::lround(amplitude * 32767.0 * std::sin(2.0 * kPi * hz * i / rate)));
        bytes.push_back(static_cast<char>(v & 0xFF));
        bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    return bytes;
}

Samples FromS16(const std::string& bytes) {
    Samples samples;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                           (static_cast<std::uint8_t>(bytes[i + 1]) << 8));
        samples.push_back(v / 32768.0);
    }
    return samples;
}

// The part of a recording that carries the tone: from the first to the last sample above a
// quarter of the peak, less 20 ms at each end where the tone may fade in or out.
struct Tone {
    double hz = 0;
    double rms = 0;
    double seconds = 0;
};
Tone Analyse(const Samples& s, unsigned rate) {
    Tone tone;
    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::fabs(v));
    if (peak < 0.01)
        return tone;
    std::size_t first = 0;
    std::size_t last = s.size() - 1;
    while (std::fabs(s[first]) < peak / 4)
        ++first;
    while (std::fabs(s[last]) < peak / 4)
        --last;
    tone.seconds = static_cast<double>(last - first) / rate;
    const std::size_t margin = rate / 50;
    if (last - first < 4 * margin)
        return tone;
    first += margin;
    last -= margin;
    // Rising zero crossings, placed between samples by linear interpolation.
    double firstCross = -1;
    double lastCross = -1;
    int crossings = 0;
    double sum = 0;
    for (std::size_t i = first; i < last; ++i) {
        sum += s[i] * s[i];
        if (s[i] < 0 && s[i + 1] >= 0) {
            const double at = static_cast<double>(i) + (-s[i]) / (s[i + 1] - s[i]);
            if (firstCross < 0)
                firstCross = at;
            lastCross = at;
            ++crossings;
        }
    }
    tone.rms = std::sqrt(sum / static_cast<double>(last - first));
    if (crossings > 1)
        tone.hz = (crossings - 1) * rate / (lastCross - firstCross);
    return tone;
}

// A recorder (parec) of a source of the private server, running until the object goes.
class Recorder {
public:
    Recorder(const std::string& source, const std::string& file) : file_(file) {
        std::string out;
        testsupport::RunWithSoundServer(
            "parec --latency-msec=20 --raw --format=s16le --rate=44100 --channels=1 -d " +
                pulsetest::ShellQuoted(source) + " >" + pulsetest::ShellQuoted(file) +
                " 2>/dev/null & echo $!",
            &out);
        pid_ = std::atoi(out.c_str());
    }
    ~Recorder() { Stop(); }
    // Waits until the recorder delivers sound (the monitor of an idle sink records silence).
    bool Running() {
        const auto deadline = std::chrono::steady_clock::now() + kGenerous;
        struct stat st {};
        while (std::chrono::steady_clock::now() < deadline) {
            if (stat(file_.c_str(), &st) == 0 && st.st_size > 8820)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    void Stop() {
        if (pid_ > 0)
            kill(pid_, SIGTERM);
        pid_ = 0;
    }

private:
    std::string file_;
    pid_t pid_ = 0;
};

class PulseStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UsePrivateSoundServer();
        backend = platform::CreateSoundServerBackend();
        ASSERT_EQ(engine.StartEngine(), kMmeSuccess);
    }

    std::unique_ptr<AudioBackend> backend;
    CollectingEngine engine;
    testsupport::TempDir dir;
};

struct CaptureCase {
    unsigned bits;
    unsigned rate;
    std::uint16_t ms;
    std::uint32_t bufferBytes;
};

class PulseCaptureTest : public PulseStreamTest,
                         public ::testing::WithParamInterface<CaptureCase> {};

// A tone played into the fake microphone's feed arrives in whole buffers of the configured size,
// at the right pitch.
TEST_P(PulseCaptureTest, DeliversTheFakeMicrophoneInWholeBuffers) {
    const CaptureCase c = GetParam();
    const int mic = CSoundDevices(kSoundDevicesRecording).FindById("fake_mic");
    ASSERT_GE(mic, 0);
    PaStreamIn in(*backend);
    ASSERT_EQ(in.Open(engine.EngineThreadId(), mic, c.bits, c.rate, c.ms, 40), kMmeSuccess);
    ASSERT_EQ(in.BufferBytes(), c.bufferBytes);
    ASSERT_EQ(in.Start(), kMmeSuccess);

    // The feeder keeps 200 ms buffered: on a busy machine a feeder that ran dry would leave a gap
    // that looks like lost input.
    const std::string tone = dir.File("tone.raw");
    testsupport::WriteFile(tone, SineBytes(440, 1.0, 44100, 0.5));
    ASSERT_EQ(testsupport::RunWithSoundServer(
                  "pacat --playback --latency-msec=200 --raw --format=s16le --rate=44100 "
                  "--channels=1 "
                  "-d fake_mic_feed " +
                  pulsetest::ShellQuoted(tone)),
              0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(in.Stop(), kMmeSuccess);
    EXPECT_TRUE(in.Close());

    const std::vector<std::uint32_t> sizes = engine.InputSizes();
    ASSERT_GE(sizes.size(), 1000u / c.ms);
    for (std::uint32_t size : sizes)
        ASSERT_EQ(size, c.bufferBytes);
    const Tone heard = Analyse(engine.Recorded(), c.rate);
    EXPECT_NEAR(heard.hz, 440.0, 3.0);
    EXPECT_NEAR(heard.rms, 0.5 / std::sqrt(2.0), 0.08);
    EXPECT_NEAR(heard.seconds, 1.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Formats, PulseCaptureTest,
                         ::testing::Values(CaptureCase{16, 44100, 25, 2204},
                                           CaptureCase{8, 8000, 20, 160}),
                         [](const ::testing::TestParamInfo<CaptureCase>& info) {
                             return std::to_string(info.param.bits) + "Bits" +
                                    std::to_string(info.param.rate) + "Hz";
                         });

// Buffers written to the speakers come back played, in order, and what the speakers' monitor
// records is the tone that was written. The queue state never counts more than was written and
// not yet handed back.
TEST_F(PulseStreamTest, PlaybackIsRecordedBackFromTheSpeakersMonitor) {
    const int speakers = CSoundDevices(kSoundDevicesPlayback).FindById("speakers");
    ASSERT_GE(speakers, 0);
    Recorder recorder("speakers.monitor", dir.File("monitor.raw"));
    ASSERT_TRUE(recorder.Running());

    PaStreamOut out(*backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), speakers, 16, 44100, 25, 16), kMmeSuccess);
    out.Start();
    const std::string tone = SineBytes(440, 1.0, 44100, 0.5);
    const std::uint32_t bufferBytes = out.BufferBytes();
    const std::uint32_t count = static_cast<std::uint32_t>(tone.size() / bufferBytes);
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    for (std::uint32_t written = 0; written < count;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        const std::size_t doneBefore = engine.DoneCount();
        const QueueState q = out.GetQueueState();
        EXPECT_LE(q.queuedBuffers, written - doneBefore);
        EXPECT_EQ(q.queuedBytes, q.queuedBuffers * bufferBytes);
        EXPECT_EQ(q.freeBuffers + q.queuedBuffers, 16u);
        const MmeErrorNum r =
            out.Write(tone.data() + std::size_t{written} * bufferBytes, bufferBytes, written + 1);
        if (r == kMmeNoFreeBuffer) {
            engine.WaitDone(doneBefore + 1, std::chrono::milliseconds(50));
            continue;
        }
        ASSERT_EQ(r, kMmeSuccess);
        ++written;
    }
    ASSERT_TRUE(engine.WaitDone(count, kGenerous));
    const QueueState drained = out.GetQueueState();
    EXPECT_EQ(drained.queuedBuffers, 0u);
    EXPECT_EQ(drained.freeBytes, drained.totalBytes);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    recorder.Stop();
    EXPECT_EQ(out.Stop(), kMmeSuccess);
    out.Close();

    const std::vector<std::uint32_t> tags = engine.DoneTags();
    ASSERT_EQ(tags.size(), count);
    for (std::uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(tags[i], i + 1);
    const Tone heard = Analyse(FromS16(testsupport::ReadFile(dir.File("monitor.raw"))), 44100);
    EXPECT_NEAR(heard.hz, 440.0, 3.0);
    EXPECT_NEAR(heard.rms, 0.5 / std::sqrt(2.0), 0.08);
    EXPECT_NEAR(heard.seconds, count * 0.025, 0.1);
}

// Stop drops what the server still holds and hands every buffer back at once; buffers written
// after a new Start come back played as before.
TEST_F(PulseStreamTest, PlaybackResumesAfterStop) {
    const int speakers = CSoundDevices(kSoundDevicesPlayback).FindById("speakers");
    ASSERT_GE(speakers, 0);
    PaStreamOut out(*backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), speakers, 16, 44100, 25, 8), kMmeSuccess);
    const std::string tone = SineBytes(440, 0.025, 44100, 0.5);
    const auto size = static_cast<std::uint32_t>(tone.size());
    out.Start();
    for (std::uint32_t tag = 1; tag <= 8; ++tag)
        ASSERT_EQ(out.Write(tone.data(), size, tag), kMmeSuccess);
    EXPECT_EQ(out.Stop(), kMmeSuccess);
    // Stopped: nothing is queued and nothing is written.
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 0u);
    EXPECT_EQ(out.Write(tone.data(), size, 99), kMmeSuccess);
    // The stopped buffers are free again once the engine thread has taken them back.
    ASSERT_TRUE(engine.Drain());
    ASSERT_NE(out.FindFreeBuffer(), -1);
    const std::size_t doneBeforeRestart = engine.DoneCount();

    out.Start();
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    for (std::uint32_t tag = 101; tag <= 104;) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        const MmeErrorNum r = out.Write(tone.data(), size, tag);
        if (r == kMmeNoFreeBuffer) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        ASSERT_EQ(r, kMmeSuccess);
        ++tag;
    }
    ASSERT_TRUE(engine.WaitDone(doneBeforeRestart + 4, kGenerous));
    const std::vector<std::uint32_t> tags = engine.DoneTags();
    const std::vector<std::uint32_t> after(tags.begin() + doneBeforeRestart, tags.end());
    EXPECT_EQ(after, (std::vector<std::uint32_t>{101, 102, 103, 104}));
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 0u);
    out.Close();
}

// A null sink loaded for one test, unloaded when the test ends if it did not unload it itself.
class ExtraSink {
public:
    explicit ExtraSink(const std::string& name) {
        module_ = pulsetest::Pactl("load-module module-null-sink sink_name=" + name +
                                   " sink_properties=device.description=Unplugged");
        while (!module_.empty() && (module_.back() == '\n' || module_.back() == ' '))
            module_.pop_back();
    }
    ~ExtraSink() { Unload(); }
    bool Loaded() const { return !module_.empty(); }
    void Unload() {
        if (!module_.empty())
            pulsetest::Pactl("unload-module " + module_);
        module_.clear();
    }

private:
    std::string module_;
};

// A playback device that disappears while the stream runs hands every buffer back, and Write
// then reports the lost driver instead of waiting for buffers that never come back.
TEST_F(PulseStreamTest, UnloadedSinkMakesWriteReportTheLostDriver) {
    ExtraSink sink("voxwarp_test_unplugged");
    ASSERT_TRUE(sink.Loaded());
    const int device = CSoundDevices(kSoundDevicesPlayback).FindById("voxwarp_test_unplugged");
    ASSERT_GE(device, 0);
    PaStreamOut out(*backend);
    ASSERT_EQ(out.Open(engine.EngineThreadId(), device, 16, 44100, 25, 8), kMmeSuccess);
    out.Start();
    const std::string tone = SineBytes(440, 0.025, 44100, 0.5);
    const auto started = std::chrono::steady_clock::now();
    const auto deadline = started + kGenerous;
    MmeErrorNum r = kMmeSuccess;
    std::uint32_t tag = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (sink.Loaded() &&
            std::chrono::steady_clock::now() - started > std::chrono::milliseconds(300))
            sink.Unload();
        r = out.Write(tone.data(), static_cast<std::uint32_t>(tone.size()), ++tag);
        if (r == kMmeNoFreeBuffer) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (r != kMmeSuccess)
            break;
    }
    EXPECT_FALSE(sink.Loaded());
    EXPECT_EQ(r, kMmeNoDriver);
    // Nothing stays held by a device that is gone.
    EXPECT_EQ(out.GetQueueState().queuedBuffers, 0u);
    EXPECT_EQ(out.Stop(), kMmeSuccess);
    out.Close();
    EXPECT_FALSE(out.IsOpen());
}

// A recording device that disappears hands its buffers back and refuses them from then on (the
// engine logs the refusal); the stream then stops and closes without waiting for buffers that
// never come.
TEST_F(PulseStreamTest, UnloadedSourceLetsTheStreamClose) {
    const std::string logPath = dir.File("engine.log");
    LogInit(logPath.c_str(), false, false, false, false, false);
    ExtraSink sink("voxwarp_test_unplugged_feed");
    ASSERT_TRUE(sink.Loaded());
    std::string module =
        pulsetest::Pactl("load-module module-remap-source source_name=voxwarp_test_unplugged_mic "
                         "master=voxwarp_test_unplugged_feed.monitor channels=1 "
                         "source_properties=device.description=Unplugged_Microphone");
    ASSERT_FALSE(module.empty());
    const int device = CSoundDevices(kSoundDevicesRecording).FindById("voxwarp_test_unplugged_mic");
    ASSERT_GE(device, 0);
    PaStreamIn in(*backend);
    ASSERT_EQ(in.Open(engine.EngineThreadId(), device, 16, 44100, 25, 8), kMmeSuccess);
    ASSERT_EQ(in.Start(), kMmeSuccess);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    pulsetest::Pactl("unload-module " + module);
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    bool refused = false;
    while (!refused && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(engine.Drain());
        refused =
            testsupport::ReadFile(logPath).find("Add in buffer error: 6") != std::string::npos;
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(in.Stop(), kMmeSuccess);
    EXPECT_TRUE(in.Close());
    EXPECT_FALSE(in.IsOpen());
    LogInit("", false, false, false, false, false);
}

// Without a sound server, or with a format the server streams cannot carry, Open fails at once
// with the open error and leaves the stream closed.
TEST_F(PulseStreamTest, OpenFailsWithoutServerOrWithUnsupportedFormat) {
    PaStreamOut wide(*backend);
    EXPECT_EQ(wide.Open(engine.EngineThreadId(), -1, 24, 44100, 25, 4), kMmeOpenFailed);
    EXPECT_FALSE(wide.IsOpen());

    pulsetest::ScopedEnv noServer("PULSE_SERVER", "unix:" + dir.File("missing/native"));
    auto orphan = platform::CreateSoundServerBackend();
    PaStreamIn in(*orphan);
    EXPECT_EQ(in.Open(engine.EngineThreadId(), -1, 16, 44100, 25, 4), kMmeOpenFailed);
    EXPECT_FALSE(in.IsOpen());
    PaStreamOut out(*orphan);
    EXPECT_EQ(out.Open(engine.EngineThreadId(), 0, 16, 44100, 25, 4), kMmeOpenFailed);
    EXPECT_FALSE(out.IsOpen());
}

} // namespace
