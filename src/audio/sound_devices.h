// Sound devices by name: the recording and playback devices of the sound system with their
// names and numbers, lookup of a device number by the name the configuration stores, and the
// system's default device of each direction. Device numbers are positions in the sound system's
// list of the direction; they are what the stream engine and the mixer open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wmme.h"

// Directions of a device list.
constexpr std::uint32_t kSoundDevicesPlayback = 0;
constexpr std::uint32_t kSoundDevicesRecording = 1;

// Directions of the name lookups (PaGetDevNByName, PaGetSoundDevList, GetMixerIdForDevice).
constexpr std::uint32_t kLookupRecording = 1;
constexpr std::uint32_t kLookupPlayback = 2;

// The device name the virtual microphone's devices carry.
inline constexpr const char* kVirtualCardName = "Voxwarp Microphone";

struct SoundDevice {
    std::string name;       // what users see: the device's description
    int deviceNumber = -1;  // position in the list of its direction
    std::string endpointId; // the sound system's own, stable name of the device
};

// The devices of one direction, read once when the list is made. A sound system that cannot
// be read gives an empty list; nothing is thrown.
class CSoundDevices {
public:
    explicit CSoundDevices(std::uint32_t direction);

    std::uint32_t GetDirection() const { return direction_; }
    int GetCount() const { return static_cast<int>(devices_.size()); }
    // Empty for an index outside the list.
    std::string GetName(int index) const;
    // -1 for an index outside the list.
    int GetDeviceNumber(int index) const;
    // Null for an index outside the list.
    const SoundDevice* GetDevice(int index) const;
    // Index of the first device whose name contains text (case-sensitive); an empty text finds
    // the first device. -1 when none does.
    int FindByName(const std::string& text) const;
    // Index of the device whose endpoint id (the server's own name) is id, or -1.
    int FindById(const std::string& id) const;
    // Index of the system's default device; -1 when it is unknown or not in the list.
    int GetDefaultIndex() const { return defaultIndex_; }
    // Makes the device the system's default of this direction and reads the list again. False
    // (nothing changed) for a bad index or when the system refuses.
    bool SetDefault(int index);

private:
    void Read();

    std::uint32_t direction_;
    int defaultIndex_ = -1;
    std::vector<SoundDevice> devices_;
};

// Device number of the first device of the direction (kLookupRecording or kLookupPlayback)
// whose name contains name. An empty name gives kMmeDeviceNotFound without reading any list; a
// bad direction kMmeBadParam; a name that matches nothing kMmeDeviceNotFound. device is -2
// unless a device was found.
MmeErrorNum PaGetDevNByName(const std::string& name, std::uint32_t direction, int& device);

// The non-empty names of all devices of the direction, in list order.
MmeErrorNum PaGetSoundDevList(std::uint32_t direction, std::vector<std::string>& names);

// Writes both device lists to the log.
void LogSoundDevices();

// The start-up step of both programs: makes the virtual microphone the default recording
// device, and makes another device the default playback device when the virtual card's
// playback side is the default. False when a default could not be changed.
bool SelectDefSndc();

// Moves the default recording device off the virtual microphone, for when the voice server is
// removed: device 1 when device 0 is the default, otherwise device 0. Nothing changes when the
// default is another device. Command thread; may block.
void MoveDefaultRecordingOffVirtualCard();
