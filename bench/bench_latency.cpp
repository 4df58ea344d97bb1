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
// The voice server's own path is measured the same way: VoxwarpServer -f with a program folder
// of its own records the fake microphone and plays into "Voxwarp Microphone", whose capture side
// the recorder records, with the effect off and with Brevo an octave up (a client attached in
// both), at 25 ms and 10 ms buffers (the 10 ms run with the narrow band of the starter
// configuration), next to module-loopback from the fake microphone into the same sink at the
// same latency. There the click is a longer tone burst, which the phase vocoder's window does not
// smear below the threshold.
//
// The private test server (scripts/pulse-test-server.sh) runs in a folder under /tmp; without
// pulseaudio the benchmarks are skipped with a message.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_devices.h"
#include "audio/wmme.h"
#include "bench_paths.h"
#include "config/config.h"
#include "effect/effect.h"
#include "platform/sound/sound_server.h"

extern char** environ;

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
            if (std::abs(samples[i]) > threshold_) {
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
        const std::int16_t* next = silence_.data();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (clickWanted_) {
                clickWanted_ = false;
                clickPos_ = 0;
                clickTime_ = Clock::now();
            }
            if (clickPos_ < click_.size()) {
                next = click_.data() + clickPos_;
                clickPos_ += silence_.size();
            }
        }
        player.Write(next, static_cast<std::uint32_t>(silence_.size() * 2), 0);
    }
    // The click fills whole player buffers (its length a multiple of bufferSamples); a recorded
    // sample louder than threshold is its arrival.
    void StartPlayer(const std::vector<std::int16_t>& click, std::uint32_t bufferSamples,
                     int threshold) {
        click_ = click;
        clickPos_ = click_.size();
        threshold_ = threshold;
        silence_.assign(bufferSamples, 0);
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
    std::size_t clickPos_ = 0; // next sample of the click to play; click_.size() when none
    int threshold_ = 8000;
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

// The burst for paths with a voice effect: 100 ms (at least, whole buffers) of a 1 kHz tone.
std::vector<std::int16_t> Burst(std::uint32_t bufferSamples) {
    const std::uint32_t buffers = std::max<std::uint32_t>(
        1, (4410 + bufferSamples - 1) / std::max<std::uint32_t>(1, bufferSamples));
    std::vector<std::int16_t> burst(buffers * bufferSamples);
    for (std::size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<std::int16_t>(16000 * std::sin(2 * 3.14159265 * 1000 * i / 44100));
    return burst;
}
constexpr int kBurstThreshold = 4000;

// Waits until the player's queue has stayed short for half a second: a null sink that was idle
// has rendered up to its idle latency (seconds) ahead and takes nothing from new streams until
// the clock catches up.
void WaitForSteadyPlayer(LatencyEngine& engine) {
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(8);
    int steady = 0;
    while (steady < 10 && Clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        steady = engine.player.GetQueueState().queuedBuffers <= 2 ? steady + 1 : 0;
    }
}

// One click per iteration; the manual time is its latency, min_ms and max_ms the extremes.
void MeasureClicks(benchmark::State& state, LatencyEngine& engine, int pauseMs) {
    std::vector<double> seen;
    for (auto _ : state) {
        const double latency = engine.Click();
        if (latency < 0) {
            state.SkipWithError("the click did not come back");
            break;
        }
        seen.push_back(latency);
        state.SetIterationTime(latency);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    if (!seen.empty()) {
        state.counters["min_ms"] = *std::min_element(seen.begin(), seen.end()) * 1000;
        state.counters["max_ms"] = *std::max_element(seen.begin(), seen.end()) * 1000;
    }
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
            const std::uint32_t samples = engine.player.SamplesPerBuffer();
            engine.StartPlayer(Click(samples), samples, 8000);
            WaitForSteadyPlayer(engine);
            MeasureClicks(state, engine, 150);
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

// ---- The running voice server ----

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// "Voxwarp Microphone" in the bench's server: loaded when missing (not into any configuration)
// and unloaded again at the end of the run when this run loaded it.
struct BenchVirtualCard {
    std::string error;
    bool loadedHere = false;

    BenchVirtualCard() {
        platform::VirtualCardStatus status;
        if (platform::QueryVirtualCard(status, error) && status.playbackSide && status.captureSide)
            return;
        error.clear();
        if (!platform::InstallVirtualCard(false, error)) {
            error = "the virtual microphone could not be loaded: " + error;
            return;
        }
        loadedHere = true;
    }
    ~BenchVirtualCard() {
        // The capture side (loaded later, the higher module index) goes first.
        if (loadedHere)
            Run("pactl list short modules | grep voxwarp_mic | cut -f1 | sort -rn | "
                "xargs -r -n1 pactl unload-module");
    }
};

// The bench's server with the virtual microphone; empty error when both are there.
std::string VirtualCardReady() {
    if (!Server().error.empty())
        return Server().error;
    static BenchVirtualCard card; // constructed after the server, so destroyed before it
    return card.error;
}

// VoxwarpServer -f with a program folder of its own (the fake microphone as input, "Octave up"
// = Brevo with eight overlaps and pitch factor 2 in effect slot 1), its own home and kernel
// object names; steered with voxwarpctl. Stopped with SIGINT, as Ctrl+C stops it.
class VoiceServerProcess {
public:
    VoiceServerProcess(bool brevo, std::uint16_t bufferMs) : bufferMs_(bufferMs) {
        char pattern[] = "/tmp/voxwarp-bench-server-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            error = "no temporary folder";
            return;
        }
        folder_ = pattern;
        if (!PrepareProgramFolder())
            return;
        env_ = {"VOXWARP_HOME=" + folder_ + "/program",
                "VOXWARP_KOBJECT_NAMESPACE=benchsrv" + std::to_string(getpid()),
                "HOME=" + folder_ + "/home", "XDG_CONFIG_HOME=" + folder_ + "/home/config"};
        if (!Spawn())
            return;
        const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(15);
        bool ready = false;
        while (!ready && Clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ready = Ctl("errors");
        }
        if (!ready)
            error = "the voice server did not answer";
        else if (!Ctl("client-started") || (brevo && !Ctl("effect 1")))
            error = "the voice server refused a command";
    }
    ~VoiceServerProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGINT);
            int status = 0;
            const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(10);
            while (waitpid(pid_, &status, WNOHANG) == 0) {
                if (Clock::now() > giveUp) {
                    kill(pid_, SIGKILL);
                    waitpid(pid_, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        // The server chose "Voxwarp Microphone" as the default recording device.
        Run("pactl set-default-source fake_mic");
        if (!folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    // Runs voxwarpctl with the arguments against this server; true when it succeeded.
    bool Ctl(const std::string& arguments) {
        std::string command = "env";
        for (const std::string& setting : env_)
            command += " " + ShellQuoted(setting);
        command += " " + ShellQuoted(BenchBuildFolder() + "bin/voxwarpctl") + " " + arguments +
                   " >/dev/null 2>&1 && echo ok";
        return Run(command) == "ok";
    }

    std::string error;

private:
    bool PrepareProgramFolder() {
        namespace fs = std::filesystem;
        const std::string program = folder_ + "/program";
        const std::string brevo = BenchBuildFolder() + "bin/effects/Brevo.so";
        std::error_code failed;
        for (const char* sub : {"/effects", "/backsounds", "/emoticsounds"})
            fs::create_directories(program + sub, failed);
        fs::create_directories(folder_ + "/home/config", failed);
        fs::copy_file(brevo, program + "/effects/Brevo.so", failed);
        if (failed) {
            error = "the program folder could not be prepared (is Brevo built?)";
            return false;
        }
        PnAudioEffect effect;
        if (effect.Load(brevo, true) != kVstSuccess || effect.GetNumParams() != 6) {
            error = "Brevo did not load";
            return false;
        }
        std::vector<EffectParam> octaveUp = effect.GetParams();
        effect.UnLoad();
        octaveUp[0].value = 1.0f;
        octaveUp[5].value = 1.75f / 3.75f;
        AppConfig config(program);
        config.voiceEffects = {{"Brevo", "Octave up", octaveUp}};
        config.effects = {"Octave up", "", ""};
        config.input = "Built-in Microphone";
        config.inBuffSizeMs = config.outBuffSizeMs = config.monBuffSizeMs = bufferMs_;
        // Short buffers come with the starter configuration's narrow band: three blocks above
        // its bottom.
        if (bufferMs_ < 25)
            config.queueHighMs = static_cast<std::uint16_t>(6 * bufferMs_);
        if (!config.Save()) {
            error = "the configuration could not be written";
            return false;
        }
        return true;
    }

    bool Spawn() {
        std::vector<std::string> strings = env_;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string setting = *entry;
            const std::string name = setting.substr(0, setting.find('=') + 1);
            bool overridden = false;
            for (const std::string& own : env_)
                overridden = overridden || own.compare(0, name.size(), name) == 0;
            if (!overridden)
                strings.push_back(setting);
        }
        std::vector<char*> envp;
        for (std::string& setting : strings)
            envp.push_back(setting.data());
        envp.push_back(nullptr);
        std::string program = BenchBuildFolder() + "bin/VoxwarpServer";
        std::string foreground = "-f";
        char* argv[] = {program.data(), foreground.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const int result =
            posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (result != 0) {
            pid_ = -1;
            error = "VoxwarpServer could not be started (" + program + ")";
            return false;
        }
        return true;
    }

    std::uint16_t bufferMs_;
    std::string folder_;
    std::vector<std::string> env_;
    pid_t pid_ = -1;
};

// A player into the fake microphone's feed and a recorder on "Voxwarp Microphone", clicking
// with the tone burst, while the voice server or module-loopback carries the sound between them.
void ClickToVirtualMicrophone(benchmark::State& state, std::uint16_t bufferMs) {
    const int feed = CSoundDevices(kSoundDevicesPlayback).FindById("fake_mic_feed");
    const int cardIn = CSoundDevices(kSoundDevicesRecording).FindById("voxwarp_mic_source");
    if (feed < 0 || cardIn < 0) {
        state.SkipWithError("the fake microphone or the virtual microphone is not listed");
        return;
    }
    auto backend = platform::CreateSoundServerBackend();
    LatencyEngine engine(*backend);
    const std::uint32_t id = engine.StartEngine() == kMmeSuccess ? engine.EngineThreadId() : 0;
    if (engine.player.Open(id, feed, 16, 44100, bufferMs, 8) != kMmeSuccess ||
        engine.recorder.Open(id, cardIn, 16, 44100, bufferMs, 8) != kMmeSuccess ||
        engine.recorder.Start() != kMmeSuccess) {
        state.SkipWithError("a stream did not open");
        return;
    }
    const std::uint32_t samples = engine.player.SamplesPerBuffer();
    engine.StartPlayer(Burst(samples), samples, kBurstThreshold);
    WaitForSteadyPlayer(engine);
    // The carrier's own queue settles: the voice server fills its output queue into its band,
    // and takes out what the start left above its bottom.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    MeasureClicks(state, engine, 400);
}

// Arguments: brevo 0 = no effect, 1 = Brevo an octave up (a client is attached in both); ms the
// buffer length of the server's streams and of the player and recorder.
void BM_ClickThroughVoiceServer(benchmark::State& state) {
    const std::string error = VirtualCardReady();
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const auto ms = static_cast<std::uint16_t>(state.range(1));
    VoiceServerProcess server(state.range(0) != 0, ms);
    if (!server.error.empty()) {
        state.SkipWithError(server.error.c_str());
        return;
    }
    ClickToVirtualMicrophone(state, ms);
}

// The reference: module-loopback from the fake microphone into the virtual microphone's sink
// (no voice server running) at the latency given, with the same player, recorder and burst.
void BM_ClickThroughLoopbackToVoxwarpMic(benchmark::State& state) {
    const std::string error = VirtualCardReady();
    if (!error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    const auto ms = static_cast<std::uint16_t>(state.range(0));
    const std::string loopback =
        Run("pactl load-module module-loopback source=fake_mic sink=voxwarp_mic latency_msec=" +
            std::to_string(ms));
    if (loopback.empty()) {
        state.SkipWithError("module-loopback could not be loaded");
        return;
    }
    ClickToVirtualMicrophone(state, ms);
    Run("pactl unload-module " + loopback);
}

BENCHMARK(BM_ClickThroughVoiceServer)
    ->ArgNames({"brevo", "ms"})
    ->Args({0, 25})
    ->Args({1, 25})
    ->Args({0, 10})
    ->Args({1, 10})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClickThroughLoopbackToVoxwarpMic)
    ->ArgName("ms")
    ->Arg(25)
    ->Arg(10)
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
