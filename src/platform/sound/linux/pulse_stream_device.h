// One stream of the sound server as an AudioDevice of the stream engine: a capture stream that
// records into the queued buffers, or a playback stream that plays them and hands each one back
// once the server has played past its end.
//
// Real-time: the stream callbacks run on the connection's main loop thread. They copy into
// buffers that were allocated at open, allocate nothing of ours and take no lock but the engine
// mailbox's (the main loop lock is already held by libpulse around every callback). The engine
// side (Queue from the stream lock) takes the main loop lock briefly; the main loop thread never
// takes a stream lock, so the two locks cannot deadlock.
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound/audio_backend.h"
#include "platform/sound/linux/pulse_connection.h"

namespace platform {

// The buffers a device holds, oldest first, in a ring whose capacity is fixed at Prepare.
class HeldBuffers {
public:
    // Non-real-time: room for one more prepared buffer; keeps what is held and its order.
    void Reserve(std::size_t capacity);
    bool Push(BufferHeader& header);
    BufferHeader* Front() const { return count_ == 0 ? nullptr : slots_[head_]; }
    void PopFront();
    std::size_t Count() const { return count_; }
    bool Full() const { return count_ == slots_.size(); }

private:
    std::vector<BufferHeader*> slots_;
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

class PulseStreamDevice : public AudioDevice {
public:
    ~PulseStreamDevice() override;

    // Creates the stream on device (the server's device name; empty for the server's default),
    // connects it and waits until it is ready. kDevBadDeviceId when the server has no such
    // device, kDevNoDriver when the server cannot be reached or refuses the stream.
    static DeviceResult Open(std::shared_ptr<PulseConnection> connection, DeviceDirection direction,
                             const std::string& device, const PcmFormat& format,
                             std::shared_ptr<EngineMailbox> mailbox,
                             std::unique_ptr<AudioDevice>& opened);

    DeviceResult Prepare(BufferHeader& header) override;
    DeviceResult Unprepare(BufferHeader& header) override;
    DeviceResult Close() override;

protected:
    PulseStreamDevice(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                      std::shared_ptr<EngineMailbox> mailbox, std::uint32_t message);

    // The server's buffer sizes for buffers of bufferBytes bytes.
    virtual pa_buffer_attr BufferAttr(std::uint32_t bufferBytes) const = 0;
    virtual int Connect(const char* device, const pa_buffer_attr& attr) = 0;
    // Main loop thread or lock held: the stream is going away (failed or closed); drop timers
    // and requests that point at this object.
    virtual void Detach() {}

    // With the lock held: hands the oldest held buffer, or every one, back to the engine.
    void PostFront();
    void PostAll();
    // With the lock held: the stream failed; every held buffer goes back, later calls refuse.
    void MarkGone();
    bool Gone() const { return gone_; }

    std::shared_ptr<PulseConnection> connection_;
    pa_stream* stream_ = nullptr;
    PcmFormat format_;
    HeldBuffers held_;
    std::uint32_t bufferBytes_ = 0; // the buffer size the server's sizes were set for

private:
    static void OnStateChanged(pa_stream* stream, void* self);
    void ReleaseStream();

    std::shared_ptr<EngineMailbox> mailbox_;
    const std::uint32_t message_;
    std::size_t prepared_ = 0;
    std::atomic<bool> gone_{false};
};

// Records into the queued buffers in order; each buffer goes back once it holds header.length
// bytes. Bytes that find no queued buffer are dropped, as a device that overruns drops them.
class PulseCaptureDevice : public PulseStreamDevice {
public:
    PulseCaptureDevice(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                       std::shared_ptr<EngineMailbox> mailbox);

    DeviceResult Queue(BufferHeader& header) override;
    DeviceResult Start() override;
    DeviceResult Reset() override;

protected:
    pa_buffer_attr BufferAttr(std::uint32_t bufferBytes) const override;
    int Connect(const char* device, const pa_buffer_attr& attr) override;

private:
    static void OnReadable(pa_stream* stream, std::size_t bytes, void* self);
    void Record(const std::uint8_t* data, std::size_t bytes);

    bool started_ = false;
};

// Writes each queued buffer into the server's playback queue at once and hands it back when the
// server's read index has passed its end, found by polling the stream's timing.
class PulsePlaybackDevice : public PulseStreamDevice {
public:
    PulsePlaybackDevice(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                        std::shared_ptr<EngineMailbox> mailbox);

    DeviceResult Queue(BufferHeader& header) override;
    DeviceResult Start() override;
    DeviceResult Reset() override;

protected:
    pa_buffer_attr BufferAttr(std::uint32_t bufferBytes) const override;
    int Connect(const char* device, const pa_buffer_attr& attr) override;
    void Detach() override;

private:
    static void OnPollTimer(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                            void* self);
    static void OnTimingUpdated(pa_stream* stream, int success, void* self);
    static void OnLatencyUpdated(pa_stream* stream, void* self);
    void ArmPollTimer();
    void HandBackPlayed();

    std::uint64_t pendingBytes_ = 0; // bytes of the held buffers
    pa_time_event* pollTimer_ = nullptr;
    bool pollArmed_ = false;
    pa_operation* timingRequest_ = nullptr;
};

} // namespace platform
