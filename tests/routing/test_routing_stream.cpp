#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <future>
#include <set>
#include <thread>

#include "captured_log.h"
#include "child_process.h"
#include "effect/effect.h"
#include "ipc/sharemem.h"
#include "platform/kobjects.h"
#include "platform/linux/kobj_table.h"
#include "routing_stream_env.h"
#include "sound/wave.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using testaudio::RoutingHarness;
using testaudio::Samples;

std::string TestPlugin(const std::string& name) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
    return folder.substr(0, folder.rfind('/') + 1) + "plugins/" + name + ".so";
}

Samples Constant(std::size_t n, std::int16_t value) {
    return Samples(n, value);
}

// first, first + 1, ... (wrapping to first after period values).
Samples Ramp(std::size_t n, int first, int period) {
    Samples s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<std::int16_t>(first + static_cast<int>(i) % period);
    return s;
}

std::set<std::int16_t> Values(const Samples& s, std::size_t from = 0) {
    return std::set<std::int16_t>(s.begin() + static_cast<std::ptrdiff_t>(std::min(from, s.size())),
                                  s.end());
}

Samples NonZero(const Samples& s) {
    Samples out;
    std::copy_if(s.begin(), s.end(), std::back_inserter(out), [](std::int16_t v) { return v; });
    return out;
}

// Calls action until a waiter on the fun-sound event has been woken (a pulse only wakes a
// waiter that waits already).
bool WakesFunSoundWaiter(const std::function<void()>& action) {
    auto event = platform::NamedEvent::Open(kFunSoundEventName);
    if (!event)
        return false;
    std::atomic<bool> woken{false};
    std::thread waiter([&] {
        woken = platform::WaitForObject(*event, 10000).status == platform::WaitStatus::Signalled;
    });
    for (int i = 0; i < 200 && !woken; ++i) {
        action();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    waiter.join();
    return woken;
}

class RoutingStream : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(h.stream.Init()); }

    std::string Sound(const std::string& name, const Samples& samples) {
        Wave wave;
        wave.format = kMixingFormat;
        wave.data = testaudio::ToBytes(samples);
        const std::string path = dir.File(name);
        EXPECT_EQ(wave.WriteToFile(path), kWaveSuccess);
        return path;
    }
    void Client(std::uint8_t monitorVol = 100, std::uint32_t listen = 0) {
        h.stream.SetClientRunning(true);
        h.stream.SetMonitorOn(1);
        h.stream.SetMonitorVol(monitorVol);
        h.stream.SetListen(listen);
    }

    testaudio::CapturedLog log;
    testsupport::TempDir dir;
    RoutingHarness h;
};

TEST_F(RoutingStream, ThresholdsWorkBuffersAndOutputRingsFollowTheInputLength) {
    struct Case {
        std::uint16_t ms;
        RoutingLayout layout;
        std::uint32_t outputBuffers;
    };
    for (const Case& c :
         {Case{25, {1102, 3306, 6615, 13224, 149}, 4}, Case{26, {1146, 3438, 6615, 13752, 155}, 10},
          Case{10, {441, 1323, 6615, 5292, 60}, 4}}) {
        SCOPED_TRACE(c.ms);
        ASSERT_TRUE(h.OpenAll(c.ms, 16, 4));
        const RoutingLayout& l = h.stream.Layout();
        EXPECT_EQ(l.blockSamples, c.layout.blockSamples);
        EXPECT_EQ(l.queueLow, c.layout.queueLow);
        EXPECT_EQ(l.queueHigh, c.layout.queueHigh);
        EXPECT_EQ(l.workBytes, c.layout.workBytes);
        EXPECT_EQ(l.workMs, c.layout.workMs);
        for (int type : {kStreamMonitor, kStreamVirtual}) {
            const QueueState q = h.stream.OutputQueueState(type);
            EXPECT_EQ(q.totalBuffers, c.outputBuffers);
            EXPECT_EQ(q.totalBytes, c.outputBuffers * (c.layout.workMs * 441 / 10 * 2));
        }
    }
    h.stream.Close(kStreamInput);
    EXPECT_EQ(h.stream.Layout().workBytes, 0u);
}

TEST_F(RoutingStream, OutputsNeedTheInputAndBadSlotsOrDevicesAreRefused) {
    EXPECT_FALSE(h.stream.Open(kStreamMonitor, h.speakers, 16, 44100, 25, 4));
    EXPECT_FALSE(h.stream.Open(kStreamVirtual, h.card, 16, 44100, 25, 4));
    EXPECT_TRUE(log.Contains("Monitore stream is not stared"));
    EXPECT_TRUE(log.Contains("Erorr of open loopback soundcard. You must at first start input "
                             "stream"));
    EXPECT_TRUE(log.Contains("Virtual stream is not stared"));
    EXPECT_TRUE(log.Contains("Erorr of open virtual soundcard. You must at first start input "
                             "stream"));
    EXPECT_FALSE(h.backend.IsOpen(DeviceDirection::Playback, h.speakers));

    EXPECT_FALSE(h.stream.Restart(kStreamInput, kNoStreamDevice, 16, 44100, 25, 4));
    EXPECT_EQ(h.stream.DeviceOf(kStreamInput), kNoStreamDevice);
    EXPECT_TRUE(h.stream.Restart(kStreamInput, h.mic, 16, 44100, 25, 4));
    EXPECT_EQ(h.stream.DeviceOf(kStreamInput), h.mic);
    EXPECT_EQ(h.stream.DeviceOf(7), kNoStreamDevice);
    EXPECT_FALSE(h.stream.Restart(kStreamVirtual, 9, 16, 44100, 25, 4));
    EXPECT_TRUE(log.Contains("Open virtual sound card error: "));
    EXPECT_EQ(h.stream.DeviceOf(kStreamVirtual), kNoStreamDevice);

    const std::string sound = Sound("s.wav", Constant(100, 5));
    EXPECT_EQ(h.stream.LoadEffect(3, TestPlugin("gain")), kVstLoadError);
    EXPECT_EQ(h.stream.LoadEffect(-1, TestPlugin("gain")), kVstLoadError);
    EXPECT_EQ(h.stream.LoadBackground(3, sound), kWaveOpenError);
    EXPECT_EQ(h.stream.LoadFun(60, sound), kWaveOpenError);
    EXPECT_EQ(h.stream.LoadFun(-1, sound), kWaveOpenError);
    h.stream.SetBackgroundVolume(-1, 50);
    h.stream.PlayFun(60);
    h.stream.UnloadEffect(3);
    EXPECT_EQ(h.stream.BackgroundName(3), "");
    EXPECT_FALSE(h.stream.IsEffectLoaded(3));
    EXPECT_EQ(h.stream.FunStatus(), std::vector<bool>(kFunSoundSlots, false));
}

// 30 ms blocks of 1323 samples, outputs at 8 bits: each written block fills the queue twice as
// fast as the outputs play it, and every block is loud and rough, so the stretcher leaves it
// whole (only its last partial frame goes).
TEST_F(RoutingStream, FourthOverfullBlockIsDroppedAndTheCountStartsAgain) {
    ASSERT_TRUE(h.OpenAll(30, 8, 8));
    const std::uint32_t block = h.stream.Layout().blockSamples;
    ASSERT_EQ(block, 1323u);
    auto amplitude = [](int k) { return static_cast<std::int16_t>(2000 + 1000 * k); };
    Samples signal;
    for (int k = 1; k <= 21; ++k)
        for (std::uint32_t i = 0; i < block; ++i)
            signal.push_back(static_cast<std::int16_t>(i % 2 ? -amplitude(k) : amplitude(k)));
    h.backend.SetCaptureSignal(h.mic, testaudio::ToBytes(signal));
    // Without the client the blocks pass unchanged: block 10 finds 5 buffers = queueHigh.
    h.Steps(9);
    Client();
    const std::uint32_t droppedBefore = PnIOStream::DroppedBlocks(kStreamVirtual);
    std::vector<std::uint32_t> counts;
    for (int k = 10; k <= 21; ++k) {
        h.Step();
        counts.push_back(PnIOStream::VirtualOverruns());
    }
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{0, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1}));
    EXPECT_EQ(PnIOStream::DroppedBlocks(kStreamVirtual) - droppedBefore, 3u);
    h.Steps(20); // silence drains the queue
    const std::set<std::int16_t> played = Values(h.Virtual());
    for (int k = 1; k <= 21; ++k) {
        const bool dropped = k == 15 || k == 18 || k == 21;
        EXPECT_EQ(played.count(amplitude(k)) == 0, dropped) << "block " << k;
    }
}

TEST_F(RoutingStream, WithoutClientTheVirtualCarriesTheMicrophoneAndTheMonitorNothing) {
    ASSERT_TRUE(h.OpenAll());
    const Samples voice = Ramp(5 * 1102, -2000, 4000);
    h.backend.SetCaptureSignal(h.mic, testaudio::ToBytes(voice));
    h.stream.SetMonitorOn(1);
    ASSERT_EQ(h.stream.LoadBackground(0, Sound("b.wav", Constant(50, 100))), kWaveSuccess);
    h.stream.SelectBackground(0);
    h.Steps(6);
    EXPECT_EQ(h.Virtual(), voice);
    EXPECT_TRUE(h.Monitor().empty());
}

TEST_F(RoutingStream, MonitorVoiceFollowsLevelAndListenWhileSoundsStillReachIt) {
    const std::string background = Sound("b.wav", Constant(50, 100));
    struct Case {
        std::uint8_t monitorVol;
        std::uint32_t listen;
        std::int16_t monitorValue;
    };
    for (const Case& c :
         {Case{0, 0, 100}, Case{100, 0, 1100}, Case{50, 0, 600}, Case{100, 1, 100}}) {
        SCOPED_TRACE(testing::Message() << int{c.monitorVol} << " listen " << c.listen);
        RoutingHarness run;
        ASSERT_TRUE(run.stream.Init());
        ASSERT_TRUE(run.OpenAll());
        run.backend.SetCaptureSignal(run.mic, testaudio::ToBytes(Constant(20 * 1102, 1000)));
        ASSERT_EQ(run.stream.LoadBackground(0, background), kWaveSuccess);
        run.stream.SelectBackground(0);
        run.stream.SetClientRunning(true);
        run.stream.SetMonitorOn(1);
        run.stream.SetMonitorVol(c.monitorVol);
        run.stream.SetListen(c.listen);
        run.Steps(8);
        EXPECT_EQ(Values(run.Monitor()), std::set<std::int16_t>{c.monitorValue});
        EXPECT_EQ(Values(run.Virtual()), std::set<std::int16_t>{1100});
    }
}

TEST_F(RoutingStream, BackgroundLoopsWrapWithinABlockAndFollowTheVolume) {
    ASSERT_TRUE(h.OpenAll());
    const std::string path = Sound("ramp.wav", Ramp(300, 1, 300));
    ASSERT_EQ(h.stream.LoadBackground(0, path), kWaveSuccess);
    EXPECT_TRUE(log.Contains("Background sound #0 load. Path: " + path));
    EXPECT_EQ(h.stream.BackgroundName(0), "ramp.wav");
    h.stream.SelectBackground(0);
    h.stream.SetBackgroundVolume(0, 200); // acts as 100
    Client();
    h.Steps(6);
    for (const Samples& played : {h.Virtual(), h.Monitor()}) {
        ASSERT_GT(played.size(), 3000u);
        EXPECT_EQ(played, Ramp(played.size(), 1, 300));
    }
    h.stream.SetBackgroundVolume(0, 0);
    h.Steps(12);
    Samples tail = h.Virtual();
    EXPECT_EQ(Values(tail, tail.size() - 1000), std::set<std::int16_t>{0});
    h.stream.SetBackgroundVolume(0, 50);
    h.Steps(12);
    tail = h.Virtual();
    const std::set<std::int16_t> half = Values(tail, tail.size() - 1000);
    EXPECT_EQ(*half.rbegin(), 150);
    EXPECT_EQ(*half.begin(), 0); // trunc(1 x 0.5)
    h.stream.UnloadBackground(0);
    EXPECT_TRUE(log.Contains("Background sound #0 unload."));
    EXPECT_EQ(h.stream.BackgroundName(0), "");
}

TEST_F(RoutingStream, LoadingALongBackgroundNeverHoldsUpTheBlocks) {
    // Ten minutes of 48 kHz stereo: reading and converting it takes the better part of a second.
    Wave wave;
    wave.format = WaveFormat{kWaveFormatPcm, 2, 48000, 192000, 4, 16, 0};
    wave.data.resize(std::size_t{600} * 48000 * 4);
    for (std::size_t i = 0; i + 1 < wave.data.size(); i += 2)
        wave.data[i + 1] = static_cast<std::uint8_t>(i >> 12); // a slow saw
    const std::string path = dir.File("long.wav");
    ASSERT_EQ(wave.WriteToFile(path), kWaveSuccess);
    wave.Clear();

    ASSERT_TRUE(h.OpenAll());
    Client();
    std::atomic<bool> done{false};
    std::uint32_t result = kWaveReadError;
    std::thread loader([&] {
        result = h.stream.LoadBackground(1, path);
        done = true;
    });
    // Blocks go on while the file loads, and the stream lock is only ever held for a moment:
    // an acquisition that has to wait at all is timed.
    int blocks = 0;
    auto longestWait = std::chrono::steady_clock::duration::zero();
    while (!done) {
        h.Step();
        ++blocks;
        std::unique_lock<std::recursive_mutex> lock(h.stream.StreamLock(), std::try_to_lock);
        if (!lock.owns_lock()) {
            const auto start = std::chrono::steady_clock::now();
            lock.lock();
            longestWait = std::max(longestWait, std::chrono::steady_clock::now() - start);
        }
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    loader.join();
    ASSERT_EQ(result, kWaveSuccess);
    EXPECT_GE(blocks, 10);
    EXPECT_LT(longestWait, std::chrono::milliseconds(2));
    EXPECT_EQ(h.stream.BackgroundName(1), "long.wav");
}

// Speech-like input: 300 ms of a 440 Hz tone with 10 ms fades, then 200 ms of silence.
Samples TalkSpurts(std::size_t n) {
    Samples s(n, 0);
    const std::size_t period = 22050, tone = 13230, fade = 441;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = i % period;
        if (at >= tone)
            continue;
        const double edge = std::min<double>(1.0, double(std::min(at, tone - 1 - at)) / fade);
        s[i] =
            static_cast<std::int16_t>(8000 * edge * std::sin(2 * M_PI * 440 * double(i) / 44100));
    }
    return s;
}

// The largest step between neighbouring samples.
int LargestStep(const Samples& s, std::size_t from) {
    int largest = 0;
    for (std::size_t i = std::max<std::size_t>(from, 1); i < s.size(); ++i)
        largest = std::max(largest, std::abs(int{s[i]} - int{s[i - 1]}));
    return largest;
}

TEST_F(RoutingStream, ANarrowBandHoldsThroughTenMinutesOfSkewedClocksAtItsBottom) {
    // 10 ms blocks, held between three blocks (30 ms) and 90 ms, as the starter configuration
    // has them.
    h.stream.SetQueueHighMs(90);
    ASSERT_TRUE(h.OpenAll(10));
    Client();
    const RoutingLayout layout = h.stream.Layout();
    ASSERT_EQ(layout.queueHigh, 3969u);
    const std::uint32_t droppedBefore =
        PnIOStream::DroppedBlocks(kStreamVirtual) + PnIOStream::DroppedBlocks(kStreamMonitor);
    constexpr int kBlocks = 10 * 60 * 100;
    h.backend.SetCaptureSignal(h.mic, testaudio::ToBytes(TalkSpurts(2 * kBlocks * 441 + 44100)));
    // The sine's own largest step between samples; a cut or repeat inside the tone would leave
    // a step several times larger.
    const int toneStep = static_cast<int>(8000 * 2 * M_PI * 440 / 44100) + 1;
    h.Steps(100); // a second to fill the queues
    for (double rate : {1.002, 0.998}) {
        h.backend.SetClockRate(DeviceDirection::Capture, h.mic, rate);
        const std::size_t playedBefore = h.Virtual().size();
        std::vector<std::uint32_t> levels;
        levels.reserve(kBlocks);
        for (int block = 0; block < kBlocks; ++block) {
            h.Step();
            levels.push_back(h.stream.OutputQueueState(kStreamVirtual).queuedBytes / 2);
        }
        EXPECT_GE(*std::min_element(levels.begin(), levels.end()),
                  layout.queueLow - layout.blockSamples)
            << rate;
        EXPECT_LE(*std::max_element(levels.begin(), levels.end()),
                  layout.queueHigh + layout.blockSamples)
            << rate;
        // The drift is taken out as it comes: the queue stays at the bottom of the band (read
        // after the step, it holds the block just written on top of what that block found).
        std::nth_element(levels.begin(), levels.begin() + kBlocks / 2, levels.end());
        EXPECT_LE(levels[kBlocks / 2], layout.queueLow + 2 * layout.blockSamples) << rate;
        EXPECT_LE(LargestStep(h.Virtual(), playedBefore), 2 * toneStep) << rate;
    }
    EXPECT_EQ(PnIOStream::DroppedBlocks(kStreamVirtual) + PnIOStream::DroppedBlocks(kStreamMonitor),
              droppedBefore);
}

TEST_F(RoutingStream, FunSoundsPlayFromTheirFirstSampleOnBothOutputsAndSignalTheEnd) {
    ASSERT_TRUE(h.OpenAll());
    ASSERT_EQ(h.stream.LoadFun(5, Sound("fun.wav", Ramp(3000, 1, 3000))), kWaveSuccess);
    Client();
    h.Steps(3);
    bool first = true;
    EXPECT_TRUE(WakesFunSoundWaiter([&] {
        h.stream.PlayFun(5);
        EXPECT_TRUE(h.stream.FunStatus()[5]);
        h.Steps(10);
        if (!std::exchange(first, false))
            return;
        EXPECT_EQ(NonZero(h.Virtual()), Ramp(3000, 1, 3000));
        // The sound ends during the virtual pass: the monitor misses the rest of that block.
        const Samples monitor = NonZero(h.Monitor());
        ASSERT_GT(monitor.size(), 1102u);
        EXPECT_EQ(monitor, Ramp(monitor.size(), 1, 3000));
    }));
    EXPECT_FALSE(h.stream.FunStatus()[5]);
    // An empty slot answers at once.
    EXPECT_TRUE(WakesFunSoundWaiter([&] { h.stream.PlayFun(7); }));
    h.stream.CloseAll();
    EXPECT_TRUE(log.Contains("Fun sound #5 unload."));
}

TEST_F(RoutingStream, OscilloscopeBlockCarriesTheVirtualBlock) {
    ShareMem reader;
    ASSERT_EQ(reader.Open(kOsciBlockName, kShmAccessRead), kShmSuccess);
    ASSERT_TRUE(h.OpenAll());
    Samples background(5000);
    for (std::size_t i = 0; i < background.size(); ++i)
        background[i] = static_cast<std::int16_t>(1 + (i * 7919) % 30000);
    ASSERT_EQ(h.stream.LoadBackground(1, Sound("b.wav", background)), kWaveSuccess);
    h.stream.SelectBackground(1);
    h.backend.SetCaptureSignal(h.mic, testaudio::ToBytes(Constant(10 * 1102, 3)));
    Client();
    h.Steps(4);
    // The block is published by the relay thread, soon after the engine handed it over.
    std::uint32_t bytes = 0;
    for (int i = 0; i < 200 && bytes == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(reader.ReadAt(&bytes, 4, 0), kShmSuccess);
    }
    ASSERT_GT(bytes, 0u);
    ASSERT_LE(bytes, h.stream.Layout().workBytes);
    Samples published(bytes / 2);
    ASSERT_EQ(reader.ReadAt(published.data(), bytes, 4), kShmSuccess);
    h.Steps(10);
    const Samples played = h.Virtual();
    EXPECT_NE(std::search(played.begin(), played.end(), published.begin(), published.end()),
              played.end());
}

TEST_F(RoutingStream, BlocksNeverWaitForTheKernelObjectTable) {
    // Another process may hold the table of named objects (across file work, too): that holds
    // up the oscilloscope and fun-sound signals, never a block.
    ASSERT_TRUE(h.OpenAll());
    ASSERT_EQ(h.stream.LoadFun(5, Sound("fun.wav", Constant(500, 9))), kWaveSuccess);
    Client();
    std::shared_ptr<platform::kobj::Table> table = platform::kobj::AttachTable();
    ASSERT_TRUE(table);
    std::promise<void> locked;
    std::promise<void> release;
    std::thread holder([&] {
        platform::kobj::TableLock lock(*table);
        locked.set_value();
        release.get_future().wait();
    });
    locked.get_future().wait();
    h.stream.PlayFun(5);
    h.Steps(20); // each step fails after a generous wait when a block is held up
    EXPECT_FALSE(h.stream.FunStatus()[5]);
    release.set_value();
    holder.join();
}

TEST_F(RoutingStream, EffectsRunOnBothOutputsAndAFaultingOneIsDropped) {
    ASSERT_TRUE(h.OpenAll());
    const std::string gain = TestPlugin("gain");
    ASSERT_EQ(h.stream.LoadEffect(0, gain), kVstSuccess);
    EXPECT_TRUE(log.Contains("Effect #0 load. Path: " + gain));
    EXPECT_TRUE(h.stream.IsEffectLoaded(0));
    EXPECT_EQ(h.stream.EffectPath(0), gain);
    h.stream.SetEffectParams(0, {EffectParam{0.5f, ""}}); // factor 2
    h.stream.SelectEffect(0);
    h.backend.SetCaptureSignal(h.mic, testaudio::ToBytes(Constant(60 * 1102, 1000)));
    Client();
    h.Steps(8);
    EXPECT_EQ(Values(h.Virtual()), std::set<std::int16_t>{2000});
    EXPECT_EQ(Values(h.Monitor()), std::set<std::int16_t>{2000});

#if defined(__SANITIZE_ADDRESS__)
    // The host abandons a plug-in instance that faulted (its code cannot be trusted to free
    // it); with two hosts per slot the test plug-in keeps only the newest reachable.
    __lsan_disable();
#endif
    const std::uint32_t loaded = h.stream.LoadEffect(1, TestPlugin("process_fault"));
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    ASSERT_EQ(loaded, kVstSuccess);
    h.stream.SelectEffect(1);
    h.Steps(12);
    EXPECT_FALSE(h.stream.IsEffectLoaded(1));
    const Samples tail = h.Virtual();
    EXPECT_EQ(Values(tail, tail.size() - 1000), std::set<std::int16_t>{1000});
    h.stream.UnloadEffect(0);
    EXPECT_TRUE(log.Contains("Effect #0 unload."));
    EXPECT_FALSE(h.stream.IsEffectLoaded(0));
    EXPECT_EQ(h.stream.EffectPath(0), "");
}

TEST_F(RoutingStream, AVanishedOutputDriverStopsTheCapture) {
    ASSERT_TRUE(h.OpenAll());
    h.Steps(2);
    h.backend.RemoveDevice(DeviceDirection::Playback, h.card);
    h.Steps(2);
    h.stream.Drain(); // the capture stops after the failed block
    EXPECT_TRUE(h.stream.OutputFailed());
    EXPECT_EQ(h.backend.HeldBuffers(DeviceDirection::Capture, h.mic), 0u);
}

VOXWARP_TEST_CHILD(RoutingFirstBlockDelay) {
    RoutingHarness h;
    if (!PnIOStream::FirstBlockDelayPending() || !h.stream.Init() || !h.OpenAll())
        return 2;
    h.Step();
    if (PnIOStream::FirstBlockDelayPending())
        return 3;
    if (!h.stream.Restart(kStreamInput, h.mic, 16, 44100, 25, 4))
        return 4;
    h.Step();
    return PnIOStream::FirstBlockDelayPending() ? 5 : 0;
}

TEST(RoutingStreamProcess, FirstBlockIsDelayedOncePerProcess) {
    EXPECT_EQ(testsupport::WaitChild(testsupport::SpawnChild("RoutingFirstBlockDelay")), 0);
}

} // namespace
