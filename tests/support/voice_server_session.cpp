#include "voice_server_session.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;
using pulsetest::ShellQuoted;

ShellOutcome ShellWithSoundServer(const std::string& commandLine) {
    ShellOutcome result;
    result.code = RunWithSoundServer(commandLine + " 2>&1", &result.out);
    return result;
}

ShellOutcome Voxwarpctl(const std::string& arguments) {
    return ShellWithSoundServer(ShellQuoted(ProgramDir() + "voxwarpctl") + " " + arguments);
}

VoiceServerSession::VoiceServerSession(const std::string& tag) {
    UsePrivateSoundServer();
    setenv("HOME", home_.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
    fs::create_directories(home_.File("runtime"));
    fs::permissions(home_.File("runtime"), fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", home_.File("runtime").c_str(), 1);
    setenv("VOXWARP_HOME", program_.Path().c_str(), 1);
    setenv("VOXWARP_KOBJECT_NAMESPACE", (tag + std::to_string(getpid())).c_str(), 1);
    for (const char* folder : {"effects", "backsounds", "emoticsounds"})
        fs::create_directories(program_.File(folder));
}

VoiceServerSession::~VoiceServerSession() {
    Voxwarpctl("service stop");
    Voxwarpctl("service uninstall");
    Voxwarpctl("vcard remove");
    if (feed_ > 0) {
        kill(feed_, SIGTERM);
        waitpid(feed_, nullptr, 0);
    }
}

bool VoiceServerSession::StartVoiceChanger(std::string& out) {
    const ShellOutcome start = ShellWithSoundServer(
        ShellQuoted(std::string(VOXWARP_SOURCE_DIR) + "/scripts/start-voice-changer.sh") + " " +
        ShellQuoted(ProgramDir() + ".."));
    out = start.out;
    if (start.code != 0)
        return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (Voxwarpctl("errors").code == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    out += "voxwarpctl never reached the voice server\n";
    return false;
}

bool VoiceServerSession::FeedTone(double frequency, double seconds, double volume) {
    const std::string tone = home_.File("voice.wav");
    std::ostringstream make;
    make << "sox -n -r 44100 -b 16 -c 1 " << ShellQuoted(tone) << " synth " << seconds << " sine "
         << frequency << " vol " << volume;
    if (ShellWithSoundServer(make.str()).code != 0)
        return false;
    const std::string device = "--device=fake_mic_feed";
    const char* argv[] = {"paplay", device.c_str(), tone.c_str(), nullptr};
    return posix_spawnp(&feed_, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ) == 0;
}

std::vector<std::int16_t> VoiceServerSession::Record(const std::string& source,
                                                     double seconds) const {
    const std::string raw = home_.File("recorded.raw");
    std::ostringstream command;
    command << "timeout " << seconds << " parec --device=" << source
            << " --rate=44100 --channels=1 --format=s16le --raw --latency-msec=20 2>/dev/null > "
            << ShellQuoted(raw);
    std::string bytes;
    for (int attempt = 0; attempt < 3 && bytes.size() < 44100; ++attempt) {
        RunWithSoundServer(command.str());
        bytes = ReadFile(raw);
    }
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::string VoiceServerSession::Logs() const {
    return "The voice server's log:\n" + ReadFile(program_.File("parlanosrv.log")) +
           "The control panel's log:\n" + ReadFile(program_.File("parlanocl.log"));
}

} // namespace testsupport
