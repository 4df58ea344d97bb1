// The device side of the stream engine: what an audio back end (the sound server, or the
// in-memory devices of the tests) offers to the streams, and the mailbox through which it hands
// finished buffers to the engine thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

// Device result codes, numbered like the wave-device results the engine logs.
enum DeviceResult : std::uint32_t {
    kDevOk = 0,
    kDevError = 1,
    kDevBadDeviceId = 2,
    kDevNoDriver = 6, // the device (its driver) is gone
    kDevNoMemory = 7,
    kDevInvalidParam = 11,
    kDevStillPlaying = 33, // the device still holds a buffer
};

// Engine thread messages: a filled input buffer, a played output buffer. The parameter of both
// is the buffer's BufferHeader.
constexpr std::uint32_t kMsgOutputDone = 0x3BD;
constexpr std::uint32_t kMsgInputData = 0x3C0;

struct BufferInfo;

// One buffer of a stream's ring as the device sees it. The stream owns it; the device holds it
// between Queue and the moment it posts it back to the mailbox.
struct BufferHeader {
    std::uint8_t* data = nullptr;
    std::uint32_t length = 0;         // bytes the device may record, or bytes to play
    std::uint32_t bytesRecorded = 0;  // written by a capture device before it posts the buffer
    std::atomic<bool> inQueue{false}; // held by the device (set by Queue, cleared when done)
    BufferInfo* user = nullptr;
    // Mailbox link: a posted buffer waits in the mailbox without any allocation.
    BufferHeader* next = nullptr;
    std::uint32_t message = 0;
};

// The engine thread's message queue. Devices post finished buffers; the owner posts its own
// messages. Posting never allocates: buffers are linked through their headers, and owner
// messages go into a fixed ring.
class EngineMailbox {
public:
    struct Message {
        std::uint32_t message = 0;
        std::uintptr_t param = 0;
    };
    static constexpr std::uint32_t kQuit = 0x12;

    // Hands a finished buffer to the engine thread. No allocation, only the short mailbox
    // lock, so that a device's own callbacks may post. Any thread.
    void PostBuffer(BufferHeader& header, std::uint32_t message);
    // An owner message; false when the fixed ring is full. No allocation, only the short
    // mailbox lock. Any thread.
    bool Post(std::uint32_t message, std::uintptr_t param);
    // Asks the engine thread to end; Take gives kQuit once nothing else waits. Any thread.
    void PostQuit();
    // Waits for the next message; kQuit once PostQuit was called and nothing precedes it.
    // Device buffers come before owner messages. The engine thread waits here between
    // messages, never inside one. Engine thread; real-time safe.
    Message Take();
    // Drops a posted buffer that will never be taken (its stream is being freed). Only the
    // short mailbox lock. Any thread.
    void Withdraw(const BufferHeader& header);

private:
    static constexpr std::size_t kRingSize = 64;
    std::mutex mutex_;
    std::condition_variable cv_;
    BufferHeader* first_ = nullptr;
    BufferHeader* last_ = nullptr;
    Message ring_[kRingSize];
    std::size_t ringHead_ = 0;
    std::size_t ringCount_ = 0;
    bool quit_ = false;
};

// Stream format: PCM, one channel.
struct PcmFormat {
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0; // a multiple of 8
    std::uint16_t blockAlign = 0;    // bytes per sample
    std::uint32_t avgBytesPerSec = 0;
};

enum class DeviceDirection { Capture, Playback };

// One open device. Every call comes from a stream with the stream lock held, except Close.
// Buffers come back through the mailbox given at open, never by a direct call.
class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Prepares a buffer of the ring once, at stream open.
    virtual DeviceResult Prepare(BufferHeader& header) = 0;
    // Capture: an empty buffer to record into. Playback: header.length bytes to play after the
    // ones already queued. Sets header.inQueue on success.
    virtual DeviceResult Queue(BufferHeader& header) = 0;
    // Capture: starts recording into the queued buffers. Playback plays as soon as it has data.
    virtual DeviceResult Start() = 0;
    // Stops and posts every held buffer back to the mailbox.
    virtual DeviceResult Reset() = 0;
    // kDevStillPlaying while the device still holds the buffer.
    virtual DeviceResult Unprepare(BufferHeader& header) = 0;
    // kDevStillPlaying while the device still holds buffers.
    virtual DeviceResult Close() = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    // Opens the device with the given number of the direction's list; finished buffers go to
    // mailbox.
    virtual DeviceResult Open(DeviceDirection direction, int device, const PcmFormat& format,
                              std::shared_ptr<EngineMailbox> mailbox,
                              std::unique_ptr<AudioDevice>& opened) = 0;
};
