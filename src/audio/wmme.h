// The audio stream engine: PortAudio owns the engine thread that receives every device
// notification; PaStreamIn records from a capture device and PaStreamOut plays to a playback
// device, each through a ring of buffers allocated once at Open.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/sound/audio_backend.h"

enum MmeErrorNum : std::uint32_t {
    kMmeSuccess = 0,
    kMmeThreadFailed = 1,
    kMmeTimeout = 2,
    kMmeOpenFailed = 3,
    kMmeNoMemory = 4,
    kMmePrepareFailed = 5,
    kMmeNotOpen = 6,
    kMmeStartFailed = 7,
    kMmeResetFailed = 8,
    kMmeNoFreeBuffer = 9,
    kMmeIoError = 10,
    kMmeNoDriver = 11,
    kMmeBadParam = 12,
    kMmeNoMixer = 13,
    kMmeDeviceNotFound = 14,
    kMmeNoMixerDriver = 15,
};

// The localised message text of a result.
std::string MmeErrorText(std::uint32_t code);

// One buffer of a ring; handed to the notification handlers by value.
struct BufferInfo {
    std::uint32_t direction = 0; // 0 input, 1 output
    class PaStream* stream = nullptr;
    std::uint32_t index = 0;
    std::uint32_t bytesUsed = 0; // input: bytes recorded; output: bytes written
    std::uint32_t size = 0;
    std::uint8_t* data = nullptr;
    std::uint32_t tag = 0; // output: the value given to Write
    std::uint8_t inFlight = 0;
};

// Snapshot of an output stream's ring.
struct QueueState {
    std::uint32_t totalBuffers = 0;
    std::uint32_t freeBuffers = 0;
    std::uint32_t queuedBuffers = 0;
    std::uint32_t totalBytes = 0;
    std::uint32_t freeBytes = 0;
    std::uint32_t queuedBytes = 0;
};

// Buffer arithmetic of a stream.
struct BufferLayout {
    std::uint8_t bitsPerSample = 0; // rounded up to a multiple of 8
    std::uint32_t bytesPerSample = 0;
    std::uint32_t samplesPerBuffer = 0;
    std::uint32_t bufferBytes = 0;
    PcmFormat format;
};
BufferLayout ComputeBufferLayout(std::uint32_t bitsPerSample, std::uint32_t sampleRate,
                                 std::uint16_t bufferMs);

// The engine. The owner derives from it and overrides the notification handlers, which run on
// the engine thread with the stream's lock held: they must not block for long (real-time code:
// no allocation, no I/O) and must not call Stop or Close of the same stream.
class PortAudio {
public:
    // No engine thread runs until StartEngine. Any thread.
    PortAudio();
    // Ends an engine thread that still runs and waits for it. Command thread; may block.
    virtual ~PortAudio();
    PortAudio(const PortAudio&) = delete;
    PortAudio& operator=(const PortAudio&) = delete;

    // Starts the engine thread (a running one is stopped first) and registers its mailbox.
    // Command thread; may block.
    MmeErrorNum StartEngine();
    // Asks the engine thread to end and waits for it up to the stop timeout; kMmeTimeout
    // leaves the thread running. Command thread; may block.
    MmeErrorNum StopEngine();
    // The identifier the streams are opened with; 0 while no engine thread runs. Any thread.
    std::uint32_t EngineThreadId() const { return threadId_; }
    // Sends an owner message to the engine thread; false without engine or when the queue is
    // full. Posting never allocates. Engine thread; real-time safe.
    bool PostEngineMessage(std::uint32_t message, std::uintptr_t param);
    // How long StopEngine waits for the engine thread to end. Any thread.
    void SetStopTimeout(std::uint32_t ms) { stopTimeoutMs_ = ms; }

    // Each message the engine thread takes but the quit: this passes a device's buffer to its
    // stream's HandleNotification; an owner handles its own messages and passes the rest on
    // here. Engine thread; real-time safe.
    virtual void OnMessage(std::uint32_t message, std::uintptr_t param);
    // A filled capture buffer, under the capture stream's lock; the buffer is queued again
    // after the call. Engine thread; real-time safe.
    virtual void OnInputData(BufferInfo info);
    // A played buffer, under the playback stream's lock. Engine thread; real-time safe.
    virtual void OnOutputDone(BufferInfo info);
    // A handler threw while handling message; the process ends right after the call.
    // Engine thread; real-time safe.
    virtual void OnAudioException(std::uint32_t message);

private:
    struct ThreadState;
    void ThreadProc(std::shared_ptr<ThreadState> state);

    std::thread thread_;
    std::shared_ptr<ThreadState> state_;
    std::uint32_t threadId_ = 0;
    std::uint32_t stopTimeoutMs_ = 800;
};

// The mailbox of a running engine thread, or null.
std::shared_ptr<EngineMailbox> FindEngineMailbox(std::uint32_t threadId);

// Common part of both directions.
class PaStream {
public:
    // Frees the ring and the device of a stream that was not closed. Command thread; may block.
    virtual ~PaStream();
    PaStream(const PaStream&) = delete;
    PaStream& operator=(const PaStream&) = delete;

    // The device number; -2 while closed. This and the other settings of the open stream
    // change only in Open and Close. Any thread.
    int Device() const { return device_; }
    // Bytes per buffer of the ring. Any thread.
    std::uint32_t BufferBytes() const { return bufferBytes_; }
    // Buffers in the ring. Any thread.
    std::uint32_t BufferCount() const { return bufferCount_; }
    // Samples per buffer of the ring. Any thread.
    std::uint32_t SamplesPerBuffer() const { return samplesPerBuffer_; }
    // Bits per sample, rounded up to a multiple of 8. Any thread.
    std::uint8_t BitsPerSample() const { return bitsPerSample_; }
    // The PCM format the device was opened with. Any thread.
    const PcmFormat& Format() const { return format_; }
    // Whether a device is open. Any thread.
    bool IsOpen() const { return handle_ != nullptr; }
    // Upper bound of Close's wait for the engine thread to hand every buffer back. Any thread.
    void SetCloseWaitLimit(std::uint32_t ms) { closeWaitMs_ = ms; }

    // Called for a buffer the device handed back: runs the owner's handler under the stream's
    // lock and queues a capture buffer again. Engine thread; real-time safe.
    void HandleNotification(PortAudio& engine, BufferHeader& header, std::uint32_t message);

protected:
    PaStream(AudioBackend& backend, std::uint32_t direction);

    MmeErrorNum OpenDevice(const char* method, std::uint32_t threadId, int device,
                           std::uint32_t bits, std::uint32_t rate, std::uint16_t ms,
                           std::uint32_t count);
    MmeErrorNum StopDevice(const char* method);
    bool CloseDevice(const char* method);
    bool IsInput() const { return direction_ == 0; }
    // Queues buffer i at the device; under lock_.
    DeviceResult QueueLocked(std::uint32_t i);

    struct Slot {
        BufferHeader header;
        BufferInfo info;
        std::unique_ptr<std::uint8_t[]> memory;
    };

    AudioBackend& backend_;
    const std::uint32_t direction_;
    std::mutex lock_;
    bool running_ = false;
    std::unique_ptr<Slot[]> buffers_;
    std::uint32_t bufferCount_ = 0;
    std::uint32_t bufferBytes_ = 0;
    std::uint16_t bufferMs_ = 0;
    std::uint32_t samplesPerBuffer_ = 0;
    int device_ = -2;
    std::uint8_t bitsPerSample_ = 0;
    PcmFormat format_;
    std::unique_ptr<AudioDevice> handle_;
    std::shared_ptr<EngineMailbox> mailbox_;
    std::uint32_t closeWaitMs_ = 2000;
};

class PaStreamIn : public PaStream {
public:
    // A closed capture stream that records through backend. Any thread.
    explicit PaStreamIn(AudioBackend& backend) : PaStream(backend, 0) {}
    // Closes the stream. Command thread; may block.
    ~PaStreamIn() override;

    // Opens the capture device for the engine thread threadId and allocates and prepares the
    // ring. Command thread; may block.
    MmeErrorNum Open(std::uint32_t threadId, int device, std::uint32_t bitsPerSample,
                     std::uint32_t sampleRate, std::uint16_t bufferMs, std::uint32_t bufferCount);
    // Queues every free buffer and starts recording. Command thread; may block.
    MmeErrorNum Start();
    // Stops recording; the device hands every buffer back. Command thread; may block.
    MmeErrorNum Stop();
    // Stops, waits (bounded) for the buffers to come back, then frees the ring and closes
    // the device. Command thread; may block.
    bool Close();
};

class PaStreamOut : public PaStream {
public:
    // A closed playback stream that plays through backend. Any thread.
    explicit PaStreamOut(AudioBackend& backend) : PaStream(backend, 1) {}
    // Closes the stream. Command thread; may block.
    ~PaStreamOut() override;

    // Opens the playback device for the engine thread threadId and allocates and prepares the
    // ring. Command thread; may block.
    MmeErrorNum Open(std::uint32_t threadId, int device, std::uint32_t bitsPerSample,
                     std::uint32_t sampleRate, std::uint16_t bufferMs, std::uint32_t bufferCount);
    // Lets Write queue buffers; the device plays as soon as it has data.
    // Command thread; may block.
    void Start();
    // Copies count bytes into a free buffer and queues it; tag comes back in OnOutputDone.
    // No allocation; the only I/O is the failure lines. Engine thread; real-time safe.
    MmeErrorNum Write(const void* data, std::uint32_t count, std::uint32_t tag);
    // Stops playing; what the device still holds is dropped and handed back.
    // Command thread; may block.
    MmeErrorNum Stop();
    // Stops, waits (bounded) for the buffers to come back, then frees the ring and closes
    // the device. Command thread; may block.
    void Close();
    // A snapshot of the ring: what is queued at the device and what is free.
    // Engine thread; real-time safe.
    QueueState GetQueueState();
    // The index of a buffer Write could fill now; -1 when none is free.
    // Engine thread; real-time safe.
    int FindFreeBuffer();
};
