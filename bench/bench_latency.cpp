// Round-trip latency of a click through the sound server: played into the fake microphone's
// feed, captured by PaStreamIn, written by PaStreamOut to a null sink that stands for
// "Voxwarp Microphone", and recorded again from a source remapped from that sink's monitor. The
// same path through the server's own module-loopback (fake microphone to the same sink) is
// measured next to it, with the same player and recorder, so the difference is what the stream
// engine adds. Buffers of 25 ms and 10 ms.
//
// The player plays all the time (silence, at most two buffers ahead, paced by the recorder), as
// a microphone would. Each iteration is one click: its manual time is the latency from the moment
// the click buffer was written to the player to the moment its first loud sample was recorded (the
// arrival of the recorded buffer, less the samples after the onset in it). The player's and
// recorder's own latency is part of both figures.
//
// The private test server (scripts/pulse-test-server.sh) runs in a folder under /tmp; without
// pulseaudio the benchmarks are skipped with a message.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/sound_server.h"
#include "sound_devices.h"
#include "wmme.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Run(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        out.append(chunk, n);
    if (pclose(pipe) != 0)
        out.clear();
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// The private server with a stand-in for the virtual microphone: a null sink and a source
// remapped from its monitor. Started once per benchmark run; empty error when it is there.
struct BenchServer {
    std::string error;
    std::string script;
    std::string dir;
    bool started = false; // by this run, so it stops it again
    std::string sinkModule;
    std::string sourceModule;

    BenchServer() {
        std::string source = __FILE__;
        script = source.substr(0, source.rfind("/bench/")) + "/scripts/pulse-test-server.sh";
        dir = "/tmp/voxwarp-bench-pulse-" + std::to_string(getuid());
        const std::string answer = Run(script + " start " + dir + " 2>/dev/null");
        if (answer.empty()) {
            error = "the private sound server did not start (" + script + ")";
            return;
        }
        started = answer.find("already running") == std::string::npos;
        setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
        sinkModule = Run("pactl load-module module-null-sink sink_name=bench_vxmic rate=44100 "
                         "channels=1 sink_properties=device.description=Bench_Microphone");
        sourceModule = Run("pactl load-module module-remap-source source_name=bench_vxmic_src "
                           "master=bench_vxmic.monitor channels=1 "
                           "source_properties=device.description=Bench_Microphone_Capture");
        if (sinkModule.empty() || sourceModule.empty())
            error = "the bench microphone could not be loaded";
    }
    ~BenchServer() {
        if (!sourceModule.empty())
            Run("pactl unload-module " + sourceModule);
        if (!sinkModule.empty())
            Run("pactl unload-module " + sinkModule);
        if (started)
            Run(script + " stop " + dir + " >/dev/null 2>&1");
    }
};

BenchServer& Server() {
    static BenchServer server;
    return server;
}

// Forwards the microphone to the card (when it is open) and watches the recorder for the click.
class LatencyEngine : public PortAudio {
public:
    explicit LatencyEngine(AudioBackend& backend)
        : player(backend), mic(backend), card(backend), recorder(backend) {}
    ~LatencyEngine() override {
        player.Close();
        mic.Close();
        card.Close();
        recorder.Close();
        StopEngine();
    }

    void OnInputData(BufferInfo info) override {
        if (info.stream == &mic) {
            // A burst of input (the server catching up after start) would leave a standing
            // queue behind; like the voice server, which keeps its output queue in a band, the
            // bench keeps at most two buffers queued and drops the rest.
            if (card.GetQueueState().queuedBuffers < 3)
                card.Write(info.data, info.bytesUsed, 0);
            return;
        }
        const Clock::time_point now = Clock::now();
        FeedPlayer();
        const auto* samples = reinterpret_cast<const std::int16_t*>(info.data);
        const std::uint32_t n = info.bytesUsed / 2;
        std::lock_guard<std::mutex> lock(mutex_);
        if (!armed_)
            return;
        for (std::uint32_t i = 0; i < n; ++i) {
            if (std::abs(samples[i]) > 8000) {
                const auto after = std::chrono::duration<double>((n - i) / 44100.0);
                latency_ = std::chrono::duration<double>(now - clickTime_) - after;
                armed_ = false;
                cv_.notify_all();
                return;
            }
        }
    }

    // The player runs all the time, as a microphone would: each recorded buffer (the same clock)
    // lets one more buffer be played, silence or the click when one was asked for. (A played
    // buffer's own notification cannot write: it runs under that stream's lock.)
    void FeedPlayer() {
        // Two buffers ahead at most, so that a burst of recorded buffers leaves no standing
        // queue in the player.
        if (player.GetQueueState().queuedBuffers >= 2)
            return;
        bool click;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            click = clickWanted_;
            clickWanted_ = false;
            if (click)
                clickTime_ = Clock::now();
        }
        player.Write(click ? click_.data() : silence_.data(),
                     static_cast<std::uint32_t>(silence_.size() * 2), 0);
    }
    void StartPlayer(const std::vector<std::int16_t>& click) {
        click_ = click;
        silence_.assign(click.size(), 0);
        player.Start();
        for (int i = 0; i < 2; ++i)
            player.Write(silence_.data(), static_cast<std::uint32_t>(silence_.size() * 2), 0);
    }

    // Plays one click and waits for it; the latency in seconds, or a negative value when it did
    // not arrive.
    double Click() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            armed_ = true;
            latency_ = std::chrono::duration<double>(-1);
            clickWanted_ = true;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, std::chrono::seconds(2), [this] { return !armed_; });
        armed_ = false;
        return latency_.count();
    }

    PaStreamOut player;
    PaStreamIn mic;
    PaStreamOut card;
    PaStreamIn recorder;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool armed_ = false;
    bool clickWanted_ = false;
    std::vector<std::int16_t> click_;
    std::vector<std::int16_t> silence_;
    Clock::time_point clickTime_;
    std::chrono::duration<double> latency_{-1};
};

// The click: 2 ms of a loud 2 kHz tone at the start of one buffer, silence after it.
std::vector<std::int16_t> Click(std::uint32_t samples) {
    std::vector<std::int16_t> click(samples, 0);
    for (std::uint32_t i = 0; i < 88 && i < samples; ++i)
        click[i] = static_cast<std::int16_t>(20000 * std::sin(2 * 3.14159265 * 2000 * i / 44100));
    return click;
}

void RoundTrip(benchmark::State& state, bool throughEngine) {
    BenchServer& server = Server();
    if (!server.error.empty()) {
        state.SkipWithError(server.error.c_str());
        return;
    }
    const auto ms = static_cast<std::uint16_t>(state.range(0));
    const int feed = CSoundDevices(kSoundDevicesPlayback).FindById("fake_mic_feed");
    const int micIn = CSoundDevices(kSoundDevicesRecording).FindById("fake_mic");
    const int cardOut = CSoundDevices(kSoundDevicesPlayback).FindById("bench_vxmic");
    const int cardIn = CSoundDevices(kSoundDevicesRecording).FindById("bench_vxmic_src");
    if (feed < 0 || micIn < 0 || cardOut < 0 || cardIn < 0) {
        state.SkipWithError("the bench devices are not in the device lists");
        return;
    }
    std::string loopback;
    if (!throughEngine) {
        loopback = Run("pactl load-module module-loopback source=fake_mic sink=bench_vxmic "
                       "latency_msec=" +
                       std::to_string(ms));
        if (loopback.empty()) {
            state.SkipWithError("module-loopback could not be loaded");
            return;
        }
    }
    {
        auto backend = platform::CreateSoundServerBackend();
        LatencyEngine engine(*backend);
        const std::uint32_t id = engine.StartEngine() == kMmeSuccess ? engine.EngineThreadId() : 0;
        bool ok = engine.player.Open(id, feed, 16, 44100, ms, 8) == kMmeSuccess &&
                  engine.recorder.Open(id, cardIn, 16, 44100, ms, 8) == kMmeSuccess;
        if (ok && throughEngine) {
            ok = engine.mic.Open(id, micIn, 16, 44100, ms, 8) == kMmeSuccess &&
                 engine.card.Open(id, cardOut, 16, 44100, ms, 8) == kMmeSuccess;
            engine.card.Start();
            ok = ok && engine.mic.Start() == kMmeSuccess;
        }
        ok = ok && engine.recorder.Start() == kMmeSuccess;
        if (!ok) {
            state.SkipWithError("a stream did not open");
        } else {
            engine.StartPlayer(Click(engine.player.SamplesPerBuffer()));
            // A null sink that was idle has rendered up to its idle latency (seconds) ahead and
            // takes nothing from new streams until the clock catches up: wait until the player's
            // queue has stayed short for half a second.
            const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(8);
            int steady = 0;
            while (steady < 10 && Clock::now() < giveUp) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                steady = engine.player.GetQueueState().queuedBuffers <= 2 ? steady + 1 : 0;
            }
            std::vector<double> seen;
            for (auto _ : state) {
                const double latency = engine.Click();
                if (latency < 0) {
                    state.SkipWithError("the click did not come back");
                    break;
                }
                seen.push_back(latency);
                state.SetIterationTime(latency);
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
            }
            if (!seen.empty()) {
                double low = seen[0];
                double high = seen[0];
                for (double v : seen) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
                state.counters["min_ms"] = low * 1000;
                state.counters["max_ms"] = high * 1000;
            }
        }
    }
    if (!loopback.empty())
        Run("pactl unload-module " + loopback);
}

void BM_RoundTripThroughEngine(benchmark::State& state) {
    RoundTrip(state, true);
}
void BM_RoundTripThroughServerLoopback(benchmark::State& state) {
    RoundTrip(state, false);
}

BENCHMARK(BM_RoundTripThroughEngine)
    ->Arg(25)
    ->Arg(10)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoundTripThroughServerLoopback)
    ->Arg(25)
    ->Arg(10)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
