// The voice changer end to end on the private sound server: the voice server is started the way
// the run command starts it, steered only through voxwarpctl, and heard by recording "Voxwarp
// Microphone" while a sine plays into the fake microphone.
#include <gtest/gtest.h>
#include <iostream>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "config/config.h"
#include "effect/effect.h"
#include "ipc/sharemem.h"
#include "platform/kobjects.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound/wave.h"
#include "sound_server.h"
#include "temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using pulsetest::ShellQuoted;

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

struct Outcome {
    int code = -1;
    std::string out; // standard output and error together
};

Outcome Shell(const std::string& commandLine) {
    Outcome result;
    result.code = testsupport::RunWithSoundServer(commandLine + " 2>&1", &result.out);
    return result;
}

Outcome Ctl(const std::string& arguments) {
    return Shell(ShellQuoted(testsupport::ProgramDir() + "voxwarpctl") + " " + arguments);
}

// Polls until the command succeeds; false when it never did within the time.
bool CtlEventually(const std::string& arguments, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (Ctl(arguments).code == 0)
            return true;
        std::this_thread::sleep_for(200ms);
    }
    return false;
}

void MakeTone(const std::string& path, double frequency, double seconds, double volume) {
    std::ostringstream command;
    command << "sox -n -r 44100 -b 16 -c 1 " << ShellQuoted(path) << " synth " << seconds
            << " sine " << frequency << " vol " << volume;
    ASSERT_EQ(Shell(command.str()).code, 0) << command.str();
}

// Goertzel power of one frequency over the samples, per sample.
double PowerAt(const std::vector<std::int16_t>& samples, double frequency) {
    double coefficient = 2.0 * std::cos(2.0 * kPi * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (std::int16_t sample : samples) {
        double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return samples.empty() ? 0.0 : power / static_cast<double>(samples.size());
}

// The strongest frequency between 100 and 2000 Hz, to 1 Hz.
double DominantFrequency(const std::vector<std::int16_t>& samples) {
    double best = 0, bestPower = -1;
    for (double f = 100; f <= 2000; f += 4) {
        double p = PowerAt(samples, f);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    for (double f = best - 4; f <= best + 4; f += 0.5) {
        double p = PowerAt(samples, f);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

// The longest run of samples quieter than a loud sine is for more than a moment around its zero
// crossings, from the first loud sample on.
std::size_t LongestQuietRun(const std::vector<std::int16_t>& samples) {
    std::size_t longest = 0, run = 0;
    bool started = false;
    for (std::int16_t sample : samples) {
        if (std::abs(sample) >= 200) {
            started = true;
            run = 0;
        } else if (started) {
            longest = std::max(longest, ++run);
        }
    }
    return longest;
}

class VoiceChanger : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = testsupport::UsePrivateSoundServer();
        // Everything of the user's goes into the temporary folder: the program folder, the sound
        // server and service configuration, the pid file and the kernel objects' names.
        setenv("HOME", home_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
        fs::create_directories(home_.File("runtime"));
        fs::permissions(home_.File("runtime"), fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", home_.File("runtime").c_str(), 1);
        setenv("VOXWARP_HOME", program_.Path().c_str(), 1);
        setenv("VOXWARP_KOBJECT_NAMESPACE", ("e2e" + std::to_string(getpid())).c_str(), 1);
        PrepareProgramFolder();
        MakeTone(home_.File("voice.wav"), 220, 120, 0.5);
        StartFeed();
    }

    void TearDown() override {
        if (HasFailure())
            std::cerr << "The voice server's log:\n" << Log();
        Ctl("service stop");
        Ctl("service uninstall");
        Ctl("vcard remove");
        StopFeed();
    }

    void PrepareProgramFolder() {
        const std::string bin = testsupport::ProgramDir();
        fs::create_directories(program_.File("effects"));
        fs::create_directories(program_.File("backsounds"));
        fs::create_directories(program_.File("emoticsounds"));
        fs::copy_file(bin + "effects/Brevo.so", program_.File("effects/Brevo.so"));
        fs::copy_file(bin + "../tests/plugins/process_fault.so", program_.File("effects/Crash.so"));
        MakeTone(program_.File("backsounds/hum.wav"), 1000, 2, 0.5);
        MakeTone(program_.File("emoticsounds/beep.wav"), 1500, 2, 0.5);

        PnAudioEffect brevo;
        ASSERT_EQ(brevo.Load(bin + "effects/Brevo.so", true), kVstSuccess);
        std::vector<EffectParam> octaveUp = brevo.GetParams();
        ASSERT_EQ(octaveUp.size(), 6u);
        octaveUp[0].value = 1.0f;          // eight overlaps
        octaveUp[5].value = 1.75f / 3.75f; // pitch factor 2
        brevo.UnLoad();

        AppConfig config(program_.Path());
        config.voiceEffects = {{"Brevo", "Octave up", octaveUp}, {"Crash", "Crash", {}}};
        config.effects = {"Octave up", "Crash", ""};
        config.backSounds[0] = {"hum.wav", "Hum", 100};
        config.emotics = {{"beep.wav", "Beep"}};
        config.input = "Built-in Microphone";
        ASSERT_TRUE(config.Save());
    }

    void StartVoiceChanger() {
        Outcome start =
            Shell(ShellQuoted(std::string(VOXWARP_SOURCE_DIR) + "/scripts/start-voice-changer.sh") +
                  " " + ShellQuoted(testsupport::ProgramDir() + ".."));
        ASSERT_EQ(start.code, 0) << start.out;
        ASSERT_TRUE(CtlEventually("errors", 10s)) << Log();
    }

    void StopFeed() {
        if (feed_ > 0) {
            kill(feed_, SIGTERM);
            waitpid(feed_, nullptr, 0);
            feed_ = -1;
        }
    }

    // True once the voice is heard on the virtual microphone again, at the given pitch (the
    // unchanged voice by default).
    bool VoiceComesBack(std::chrono::seconds limit, double frequency = 220) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            std::vector<std::int16_t> heard = Record(1.0);
            if (heard.size() > kRate / 2 &&
                std::abs(DominantFrequency(heard) - frequency) < frequency / 100)
                return true;
        }
        return false;
    }

    void StartFeed() {
        std::string device = "--device=fake_mic_feed";
        std::string file = home_.File("voice.wav");
        const char* argv[] = {"paplay", device.c_str(), file.c_str(), nullptr};
        ASSERT_EQ(
            posix_spawnp(&feed_, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    }

    // What "Voxwarp Microphone" carries for about the given time. A recorder that connects to a
    // source that has been idle may get nothing at first: it is asked again.
    std::vector<std::int16_t> Record(double seconds) {
        std::string raw = home_.File("recorded.raw");
        std::ostringstream command;
        command << "timeout " << seconds
                << " parec --device=voxwarp_mic_source --rate=44100 --channels=1"
                   " --format=s16le --raw --latency-msec=20 2>/dev/null > "
                << ShellQuoted(raw);
        std::string bytes;
        for (int attempt = 0; attempt < 3 && bytes.size() < kRate; ++attempt) {
            Shell(command.str());
            bytes = testsupport::ReadFile(raw);
        }
        std::vector<std::int16_t> samples(bytes.size() / 2);
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        // The first part may still hold what was queued before the change.
        std::size_t skip = std::min<std::size_t>(samples.size(), kRate / 4);
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(skip));
        return samples;
    }

    std::string Log() { return testsupport::ReadFile(program_.File("parlanosrv.log")); }

    std::string server_;
    testsupport::TempDir home_;
    testsupport::TempDir program_;
    pid_t feed_ = -1;
};

TEST_F(VoiceChanger, ChangesTheVoiceMixesSoundsAndStopsInOrder) {
    StartVoiceChanger();
    ASSERT_EQ(Ctl("client-started").code, 0);

    EXPECT_NEAR(DominantFrequency(Record(1.5)), 220, 2.2) << "effect off";
    ASSERT_EQ(Ctl("effect 1").code, 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(DominantFrequency(Record(1.5)), 440, 4.4) << "Brevo at F = 2";
    ASSERT_EQ(Ctl("effect off").code, 0);

    // The background sound is mixed in.
    ASSERT_EQ(Ctl("background 1").code, 0);
    std::vector<std::int16_t> withHum = Record(1.5);
    EXPECT_GT(PowerAt(withHum, 1000), 0.1 * PowerAt(withHum, 220));
    ASSERT_EQ(Ctl("background off").code, 0);

    // A three-minute background in another format is read and converted while the voice goes
    // on (long enough to take a while, short enough for the command's answer to come in time
    // in a sanitizer build too).
    Wave longWave;
    longWave.format = WaveFormat{kWaveFormatPcm, 2, 48000, 192000, 4, 16, 0};
    longWave.data.assign(std::size_t{180} * 48000 * 4, 0);
    ASSERT_EQ(longWave.WriteToFile(program_.File("backsounds/long.wav")), kWaveSuccess);
    longWave.Clear();
    auto during = std::async(std::launch::async, [this] { return Record(4.0); });
    std::this_thread::sleep_for(1s);
    const auto loadStart = std::chrono::steady_clock::now();
    ASSERT_EQ(Ctl("background-select 1 long.wav").code, 0);
    const auto loadTime = std::chrono::steady_clock::now() - loadStart;
    const std::vector<std::int16_t> whileLoading = during.get();
    ASSERT_LT(loadTime, 2500ms) << "the load did not end within the recording";
    EXPECT_GT(whileLoading.size(), std::size_t{3 * kRate});
    // A block held up by the load would silence the voice for as long as the load takes (over
    // a second before sounds were loaded outside the stream lock). A few milliseconds of quiet
    // can come from the scheduler of a busy two-core machine running tests side by side; the
    // soak (bench/soak_voice_server.sh) measures those.
    EXPECT_LT(LongestQuietRun(whileLoading), kRate / 10) << "the voice stopped for 100 ms or more";

    // The fun sound plays, then stops and fires its event; the oscilloscope block is published.
    auto funEvent = platform::NamedEvent::Open("Global\\PN_EV_EMOTIC");
    ASSERT_TRUE(funEvent);
    // The event is pulsed: only a waiter that waits at that moment sees it.
    auto funEnded = std::async(std::launch::async,
                               [&] { return platform::WaitForObject(*funEvent, 6000).status; });
    ASSERT_EQ(Ctl("fun play 1").code, 0);
    EXPECT_EQ(Ctl("fun status").out, "1\n");
    std::vector<std::int16_t> withBeep = Record(1.0);
    EXPECT_GT(PowerAt(withBeep, 1500), 0.1 * PowerAt(withBeep, 220));
    EXPECT_EQ(funEnded.get(), platform::WaitStatus::Signalled);
    EXPECT_EQ(Ctl("fun status").out, "");

    ShareMem osci;
    ASSERT_EQ(osci.Open("Global\\PN_SHM_OSCI", kShmAccessRead), kShmSuccess);
    auto osciEvent = platform::NamedEvent::Open("Global\\PN_EV_OSCIUPDATE");
    ASSERT_TRUE(osciEvent);
    EXPECT_EQ(platform::WaitForObject(*osciEvent, 2000).status, platform::WaitStatus::Signalled);
    ASSERT_TRUE(osci.Lock(1000));
    std::uint32_t published = 0;
    EXPECT_EQ(osci.ReadAt(&published, 4, 0), kShmSuccess);
    osci.Unlock();
    EXPECT_GT(published, 0u);

    // A plug-in that faults is dropped and the voice keeps flowing.
    ASSERT_EQ(Ctl("effect 2").code, 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_NEAR(DominantFrequency(Record(1.0)), 220, 2.2);
    // The fault was caught inside the plug-in and logged with its module.
    EXPECT_NE(Log().find("Access violation writing location by address 0x0. Module: " +
                         program_.File("effects/Crash.so")),
              std::string::npos);

    // The server made the virtual microphone the default recording device.
    EXPECT_EQ(pulsetest::Pactl("get-default-source"), "voxwarp_mic_source\n");

    // Stopped: the voice server first, then the command channel, then the program state.
    Outcome stop = Ctl("service stop");
    EXPECT_EQ(stop.code, 0) << stop.out;
    std::string log = Log();
    std::size_t server = log.find("--> VoiceServer::ServerStop");
    std::size_t channel = log.find("IPC::Close", server);
    std::size_t state = log.find("ProgrammState::ProgrammStop", channel);
    std::size_t leave = log.find("<-- MyVoiceService::RunSecure", state);
    EXPECT_NE(server, std::string::npos);
    EXPECT_NE(leave, std::string::npos) << log.substr(server == std::string::npos ? 0 : server);

    // Removing the service moves the default recording device off the virtual microphone.
    Outcome removed =
        Shell(ShellQuoted(testsupport::ProgramDir() + "VoxwarpServer") + " uninstall");
    EXPECT_NE(removed.out.find("has been successfully uninstalled"), std::string::npos)
        << removed.out;
    EXPECT_EQ(pulsetest::Pactl("get-default-source"), "fake_mic\n");

    // So does voxwarpctl's.
    pulsetest::Pactl("set-default-source voxwarp_mic_source");
    ASSERT_EQ(Ctl("service install").code, 0);
    EXPECT_EQ(Ctl("service uninstall").code, 0);
    EXPECT_EQ(pulsetest::Pactl("get-default-source"), "fake_mic\n");
}

TEST_F(VoiceChanger, AServerThatCannotRunFailsItsStartWithTheReason) {
    ASSERT_EQ(Ctl("service install").code, 0);
    // No sound server to be reached: the voice server cannot find the virtual microphone.
    Outcome start = Shell("PULSE_SERVER=unix:/nonexistent/native " +
                          ShellQuoted(testsupport::ProgramDir() + "voxwarpctl") + " service start");
    EXPECT_EQ(start.code, 5) << start.out;
    EXPECT_NE(start.out.find("ended before it reported running"), std::string::npos) << start.out;
    EXPECT_NE(start.out.find("the voice server's log says: Virtual sound card driver"),
              std::string::npos)
        << start.out;
    EXPECT_NE(Ctl("service status").out.find("stopped"), std::string::npos);
}

TEST_F(VoiceChanger, RecoversTheVirtualCardAndTheSoundServer) {
    StartVoiceChanger();
    ASSERT_TRUE(VoiceComesBack(5s)) << Log();
    // The effect chosen through voxwarpctl is kept in the configuration: a reload keeps it, and
    // so does every rebuild below.
    ASSERT_EQ(Ctl("client-started").code, 0);
    ASSERT_EQ(Ctl("effect 1").code, 0);
    ASSERT_EQ(Ctl("update").code, 0);
    ASSERT_TRUE(VoiceComesBack(5s, 440)) << "Brevo at F = 2 after the reload\n" << Log();

    // The virtual card's sink goes away: the lost output makes the watcher rebuild the streams,
    // and the card is loaded again and reopened.
    std::string modules = pulsetest::Pactl("list short modules");
    std::size_t sink = modules.find("sink_name=voxwarp_mic ");
    ASSERT_NE(sink, std::string::npos) << modules;
    std::string line = modules.substr(modules.rfind('\n', sink) + 1);
    pulsetest::Pactl("unload-module " + line.substr(0, line.find('\t')));
    ASSERT_EQ(pulsetest::Pactl("list short sinks").find("voxwarp_mic"), std::string::npos);
    EXPECT_TRUE(VoiceComesBack(15s, 440)) << Log();
    EXPECT_NE(Log().find("restarting driver OK"), std::string::npos);

    // The sound server itself ends and starts again.
    StopFeed();
    const std::string script = std::string(VOXWARP_SOURCE_DIR) + "/scripts/pulse-test-server.sh";
    ASSERT_EQ(Shell(ShellQuoted(script) + " stop " + ShellQuoted(server_)).code, 0);
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(Shell(ShellQuoted(script) + " start " + ShellQuoted(server_)).code, 0);
    StartFeed();
    EXPECT_TRUE(VoiceComesBack(20s, 440)) << Log();
}

} // namespace
