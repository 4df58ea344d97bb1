// Mixer control of one sound device: the recording source selector (microphone, line in, ...)
// and the recording and playback volumes, over the sound system's device model.
//
// How the sound system maps onto a mixer:
//  - A mixer belongs to one device of the sound system's lists. Mixer id of recording device n
//    = kRecordingMixerFlag | n, of playback device n = n (n below 0x10000; device numbers are
//    list positions, see sound_devices.h). Open resolves the number to the device's stable id,
//    which the mixer keeps until Close.
//  - A recording device's mixer has the recording destination (line kRecordingLineId). Its
//    ports, in the server's order, are the selector's sources (line kSourceLineBase + n, the
//    name is the port's description); the selected source is the active port. A device without
//    ports has no selector; its recording volume is the device volume, named like the device.
//  - A playback device's mixer has the speaker destination (line kSpeakerLineId) whose volume,
//    the master volume, is the device volume. It has no output sources.
//  - Control ids: kSelectorControlId is the selector; kRecordingVolumeControlId is the
//    recording device's volume, which is also every source's volume control (the server keeps
//    one volume per device: that of its active port); kPlaybackVolumeControlId is the playback
//    device's volume. Volumes are 0..65535.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/wmme.h"
#include "base/error.h"

struct SoundDeviceInfo;

// "-1": no line, no control.
constexpr std::uint32_t kNoMixerId = 0xFFFFFFFFu;

constexpr std::uint32_t kRecordingMixerFlag = 0x10000;
constexpr std::uint32_t kMaxMixerDevices = 0x10000;

constexpr std::uint32_t kSpeakerLineId = 4;
constexpr std::uint32_t kRecordingLineId = 7;
constexpr std::uint32_t kSourceLineBase = 0x1000;

constexpr std::uint32_t kPlaybackVolumeControlId = 1;
constexpr std::uint32_t kRecordingVolumeControlId = 2;
constexpr std::uint32_t kSelectorControlId = 3;

// Destination types of GetVolControl.
constexpr std::uint32_t kDestinationSpeakers = 4;
constexpr std::uint32_t kDestinationWaveIn = 7;

// At most this many sources of a selector are kept.
constexpr std::size_t kMaxMixerSources = 32;

// The mixer id of device number device of the direction (kLookupRecording or
// kLookupPlayback); kNoMixerId when it has none.
std::uint32_t MixerIdFor(std::uint32_t direction, int device);

struct MixerLine {
    std::string name;
    std::uint32_t lineId = kNoMixerId;
    std::uint32_t volumeControl = kNoMixerId;
};

// Used by one thread at a time.
class PortMixer {
public:
    PortMixer() = default;
    ~PortMixer() { Close(); }
    PortMixer(const PortMixer&) = delete;
    PortMixer& operator=(const PortMixer&) = delete;

    // Opens the mixer of a device and reads both sides. Change notifications are not sent to
    // callbackWindow; callers read the state again when they need it.
    bool Open(std::uint32_t mixerId, std::uint32_t flags, WindowHandle callbackWindow);
    // Safe to call twice.
    void Close();
    bool IsOpen() const { return open_; }

    bool InitOutput();
    bool InitInput();
    bool DefineRecVol();

    // The control's value, or -1 for a closed mixer, an unknown control or a failed read.
    int GetVolume(std::uint32_t control);
    // False for a closed mixer, an unknown control, a value above 65535 or a refused write.
    bool SetVolume(std::uint32_t control, std::uint32_t value);
    // The volume control of a destination (kDestinationSpeakers or kDestinationWaveIn).
    bool GetVolControl(std::uint32_t destinationType, std::uint32_t& control);

    bool HasSelector() const { return selectorControl_ != kNoMixerId && selectorCount_ > 0; }
    bool HasNoSources() const {
        return !HasSelector() && recordingVolume_.volumeControl == kNoMixerId;
    }
    // Index of the selected source; -1 when none is, without selector or when it cannot be read.
    int GetSelectedSource();
    bool SelectSource(int index);
    // The selected source's name; else the recording volume's; else the text "No sources".
    std::string GetSelectedSourceName();
    std::vector<MixerLine> GetInputSources() const;
    // The volume of the selected source, or the recording volume when no source is selected.
    bool GetRecordingVolume(std::uint32_t& value);
    bool SetRecordingVolume(std::uint32_t value);

    const MixerLine& GetMasterVolume() const { return masterVolume_; }
    const MixerLine& GetRecordingVolumeLine() const { return recordingVolume_; }
    std::uint32_t GetRecordingLine() const { return recordingLine_; }
    std::uint32_t GetSpeakerLine() const { return speakerLine_; }

private:
    // Reads the open device from the sound system; false with the mixer's answer when it
    // cannot be read.
    bool ReadDevice(SoundDeviceInfo& info, std::uint32_t& answer) const;
    void ClearSelector();
    // The control of the recording volume that GetRecordingVolume and SetRecordingVolume use.
    std::uint32_t RecordingControl();

    bool open_ = false;
    bool recordingDevice_ = false;
    std::string deviceId_;

    std::uint32_t selectorCount_ = 0;
    std::uint32_t selectorControl_ = kNoMixerId;
    std::vector<MixerLine> sources_;
    std::vector<std::string> sourcePorts_; // the server's port name of each source

    std::uint32_t speakerLine_ = kNoMixerId;
    MixerLine masterVolume_;
    std::uint32_t recordingLine_ = kNoMixerId;
    MixerLine recordingVolume_;
};

// The microphone among the mixer's sources: the first whose whole name is, in any letter case,
// "microphone", "microfon", "mic", "mikro" or "micro".
bool FindMicLine(PortMixer& mixer, std::string& name);
// The same for the mixer of a recording device found by name. Tells the user when the device's
// mixer cannot be opened.
bool FindMicLine(const std::string& deviceName, std::string& name);

// The mixer id of a device found by name (direction kLookupRecording or kLookupPlayback).
MmeErrorNum GetMixerIdForDevice(const std::string& deviceName, std::uint32_t direction,
                                std::uint32_t& mixerId);
