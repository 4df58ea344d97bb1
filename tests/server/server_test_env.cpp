#include "server_test_env.h"

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "base/strtable.h"
#include "sound/wave.h"

namespace servertest {
namespace {

std::string TestPluginFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/plugins/";
}

} // namespace

ServerTestEnv::ServerTestEnv() {
    // Kernel objects of their own: test programs run in parallel, and a voice server may run.
    static const std::string ns = "server-tests-" + std::to_string(getpid());
    setenv("VOXWARP_KOBJECT_NAMESPACE", ns.c_str(), 1);
    StartStrings(home.File("none.glo"), home.Path());

    // Every device exists from the start (the watcher thread reads the model), in the same
    // order in the back end and in the model.
    const char* capture[] = {"Built-in Microphone", "Voxwarp Microphone", "USB Headset"};
    const char* captureIds[] = {"mic", "vsc.monitor", "usb"};
    const char* playback[] = {"Voxwarp Microphone", "Speakers", "Spare card"};
    const char* playbackIds[] = {"vsc", "speakers", "spare"};
    for (int i = 0; i < 3; ++i) {
        backend.AddCaptureDevice(capture[i]);
        sounds.Add(SoundDirection::Recording, captureIds[i], capture[i]);
        backend.AddPlaybackDevice(playback[i]);
        sounds.Add(SoundDirection::Playback, playbackIds[i], playback[i]);
    }

    for (const char* folder : {"effects", "backsounds", "emoticsounds"})
        std::filesystem::create_directory(home.File(folder));
    std::filesystem::create_symlink(TestPluginFolder() + "gain.so", home.File("effects/gain.so"));
    // "Double" doubles the voice (gain factor 4 * 0.5); "Broken" names a missing plug-in.
    testsupport::WriteFile(home.File("voiceeffects.ini"),
                           "[sys]\nnumEffects=2\n"
                           "[eff_0]\nvst=gain\nname=Double\nnumParams=1\nparam_0=0.500000\n"
                           "[eff_1]\nvst=missing\nname=Broken\nnumParams=0\n");
    WriteConfig("");
    server = std::make_unique<VoiceServer>(backend, home.Path());
}

ServerTestEnv::~ServerTestEnv() {
    server.reset();
    EndStrings();
}

void ServerTestEnv::WriteConfig(const std::string& text) const {
    bool ownCards = text.find("[soundcards]") != std::string::npos;
    testsupport::WriteFile(home.File("config.ini"),
                           (ownCards ? "" : "[soundcards]\ninput=Built-in Microphone\n") + text);
}

void ServerTestEnv::WriteSound(const std::string& folder, const std::string& name,
                               std::int16_t value, std::size_t samples) const {
    Wave wave;
    wave.format = kMixingFormat;
    for (std::size_t i = 0; i < samples; ++i) {
        wave.data.push_back(static_cast<std::uint8_t>(value & 0xFF));
        wave.data.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    ASSERT_EQ(wave.WriteToFile(home.File(folder + "/" + name)), kWaveSuccess);
}

bool ServerTestEnv::PumpUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        backend.Advance(1102);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    return true;
}

int ServerTestEnv::CountLog(const std::string& text) const {
    int count = 0;
    for (const std::string& line : log.Lines())
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

} // namespace servertest
