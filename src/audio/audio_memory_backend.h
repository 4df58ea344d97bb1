// An audio back end without a sound server: virtual capture and playback devices driven by a
// manual clock, for deterministic tests of the stream engine and everything built on it.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sound/audio_backend.h"

class MemoryAudioBackend : public AudioBackend {
public:
    MemoryAudioBackend();
    ~MemoryAudioBackend() override;

    // Adds a device and returns its number in the capture or playback list.
    int AddCaptureDevice(const std::string& name);
    int AddPlaybackDevice(const std::string& name);
    // Bytes a capture device records from now on, once; silence (zero bytes) after them.
    void SetCaptureSignal(int device, std::vector<std::uint8_t> bytes);
    // The device's driver disappears: it can no longer be opened, it refuses buffers with
    // kDevNoDriver and stops moving data; Reset still hands its buffers back.
    void RemoveDevice(DeviceDirection direction, int device);

    // The device's clock runs at rate times the shared clock from now on (1.002: 0.2 % fast), as
    // the clocks of two sound cards never quite agree.
    void SetClockRate(DeviceDirection direction, int device, double rate);

    // Moves the clock by the given number of samples: started capture devices record into their
    // queued buffers and post each filled one; playback devices play their queued bytes and
    // post each finished buffer.
    void Advance(std::uint32_t samples);

    // Everything a playback device has played so far.
    std::vector<std::uint8_t> Played(int device) const;
    // Buffers the device holds right now.
    std::size_t HeldBuffers(DeviceDirection direction, int device) const;
    bool IsOpen(DeviceDirection direction, int device) const;

    DeviceResult Open(DeviceDirection direction, int device, const PcmFormat& format,
                      std::shared_ptr<EngineMailbox> mailbox,
                      std::unique_ptr<AudioDevice>& opened) override;

private:
    struct Record;
    class Device;
    Record* Find(DeviceDirection direction, int device) const;
    void AdvanceCapture(Record& record, std::uint32_t samples);
    void AdvancePlayback(Record& record, std::uint32_t samples);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Record>> capture_;
    std::vector<std::unique_ptr<Record>> playback_;
};
