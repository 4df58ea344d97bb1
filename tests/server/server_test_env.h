// A voice server on in-memory audio devices: a program folder with configuration, a test
// plug-in and sounds, a device model that matches the memory back end's device numbers, and
// a log of its own.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "audio/audio_memory_backend.h"
#include "captured_log.h"
#include "fake_sound_system.h"
#include "server.h"
#include "temp_dir.h"

namespace servertest {

// Devices of the memory back end and the device model, by number.
constexpr int kMicrophone = 0; // capture "Built-in Microphone" ("mic")
constexpr int kHeadset = 2;    // capture "USB Headset" ("usb"); 1 is the virtual card's side
constexpr int kVirtual = 0;    // playback "Voxwarp Microphone" ("vsc")
constexpr int kSpeakers = 1;   // playback "Speakers"
constexpr int kSpare = 2;      // playback "Spare card" ("spare")

class ServerTestEnv {
public:
    ServerTestEnv();
    ~ServerTestEnv();

    // Writes config.ini: the microphone as input (unless text has a "soundcards" section of its
    // own), then text.
    void WriteConfig(const std::string& text) const;
    // A WAV file of samples of the given value in the folder ("backsounds", "emoticsounds").
    void WriteSound(const std::string& folder, const std::string& name, std::int16_t value,
                    std::size_t samples = 4410) const;
    // Moves the memory clock by one block at a time until done() holds; false after 5 s.
    bool PumpUntil(const std::function<bool()>& done);
    // Lines of the log that contain text.
    int CountLog(const std::string& text) const;

    testsupport::TempDir home;
    testaudio::CapturedLog log;
    testaudio::FakeSoundSystem sounds;
    MemoryAudioBackend backend;
    std::unique_ptr<VoiceServer> server;

private:
    testaudio::ScopedSoundSystem scoped_{sounds};
};

} // namespace servertest
