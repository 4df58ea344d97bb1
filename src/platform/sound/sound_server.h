// The user's sound server (PulseAudio or PipeWire's pulse server): its device model, a stream
// back end over it, and the virtual microphone kept in it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sound/audio_backend.h"
#include "platform/sound/sound_system.h"

namespace platform {

// The device model of the sound server; one connection per call sequence, made on first use.
SoundSystem& SoundServerSystem();

// A stream back end that plays and records through the sound server. Device numbers are
// positions in SoundServerSystem's lists of the direction.
std::unique_ptr<AudioBackend> CreateSoundServerBackend();

// The virtual microphone "Voxwarp Microphone": a null sink the voice server plays into and a
// source remapped from its monitor that other programs record from.
struct VirtualCardStatus {
    bool playbackSide = false; // the sink exists in the running server
    bool captureSide = false;  // the source exists in the running server
    bool persistent = false;   // the user's sound server configuration loads it at start
};
// Loads what is missing into the running server at once and, when persist is set, adds it to the
// user's sound server configuration. False with a reason in error.
bool InstallVirtualCard(bool persist, std::string& error);
// Unloads it from the running server and removes it from the configuration.
bool RemoveVirtualCard(std::string& error);
bool QueryVirtualCard(VirtualCardStatus& status, std::string& error);
// The control device's read counter: changes while some program records from the virtual
// microphone (input 1); 0 when it cannot be read.
std::uint32_t VirtualCardReadCounter(std::uint32_t input);

} // namespace platform
