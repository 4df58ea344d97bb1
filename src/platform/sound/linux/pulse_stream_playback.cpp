#include <pulse/rtclock.h>

#include <algorithm>

#include "platform/sound/linux/pulse_stream_device.h"

namespace platform {

PulsePlaybackDevice::PulsePlaybackDevice(std::shared_ptr<PulseConnection> connection,
                                         const PcmFormat& format,
                                         std::shared_ptr<EngineMailbox> mailbox)
    : PulseStreamDevice(std::move(connection), format, std::move(mailbox), kMsgOutputDone) {}

pa_buffer_attr PulsePlaybackDevice::BufferAttr(std::uint32_t bufferBytes) const {
    pa_buffer_attr attr;
    // Room for every buffer the engine may queue; the server keeps what it is given.
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = 2 * bufferBytes;
    // Playback starts as soon as any whole sample is there: the first buffer plays at once, and
    // after an underrun the next one does. Never zero: then the server would run on past the end
    // of the data during an underrun.
    attr.prebuf = format_.blockAlign;
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    return attr;
}

int PulsePlaybackDevice::Connect(const char* device, const pa_buffer_attr& attr) {
    pa_stream_set_latency_update_callback(stream_, &PulsePlaybackDevice::OnLatencyUpdated, this);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_DONT_MOVE | PA_STREAM_ADJUST_LATENCY |
                                       PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    return pa_stream_connect_playback(stream_, device, &attr, flags, nullptr, nullptr);
}

DeviceResult PulsePlaybackDevice::Queue(BufferHeader& header) {
    PulseConnection::Guard guard(*connection_);
    if (Gone())
        return kDevNoDriver;
    if (held_.Full())
        return kDevInvalidParam;
    if (header.length != 0 &&
        pa_stream_write(stream_, header.data, header.length, nullptr, 0, PA_SEEK_RELATIVE) < 0)
        return pa_stream_get_state(stream_) != PA_STREAM_READY ? kDevNoDriver : kDevError;
    held_.Push(header);
    pendingBytes_ += header.length;
    header.inQueue = true;
    ArmPollTimer();
    return kDevOk;
}

DeviceResult PulsePlaybackDevice::Start() {
    PulseConnection::Guard guard(*connection_);
    return Gone() ? kDevNoDriver : kDevOk;
}

DeviceResult PulsePlaybackDevice::Reset() {
    PulseConnection::Guard guard(*connection_);
    if (!Gone()) {
        // Stop at once: what the server still holds is dropped, as a reset device drops it.
        if (pa_operation* flush = pa_stream_flush(stream_, nullptr, nullptr))
            pa_operation_unref(flush);
    }
    pendingBytes_ = 0;
    PostAll();
    return kDevOk;
}

void PulsePlaybackDevice::Detach() {
    if (timingRequest_ != nullptr) {
        pa_operation_cancel(timingRequest_);
        pa_operation_unref(timingRequest_);
        timingRequest_ = nullptr;
    }
    if (pollTimer_ != nullptr) {
        pa_threaded_mainloop_get_api(connection_->Mainloop())->time_free(pollTimer_);
        pollTimer_ = nullptr;
    }
    pollArmed_ = false;
    pendingBytes_ = 0;
}

// Lock held. Polls the server's read index a few times per buffer while buffers are held.
void PulsePlaybackDevice::ArmPollTimer() {
    if (pollArmed_)
        return;
    const std::uint64_t bufferUs =
        format_.avgBytesPerSec == 0
            ? 10000
            : std::uint64_t{bufferBytes_} * PA_USEC_PER_SEC / format_.avgBytesPerSec;
    const pa_usec_t period = std::clamp<std::uint64_t>(bufferUs / 4, 2000, 10000);
    const pa_usec_t when = pa_rtclock_now() + period;
    if (pollTimer_ == nullptr) {
        pollTimer_ = pa_context_rttime_new(connection_->Context(), when, &OnPollTimer, this);
        pollArmed_ = pollTimer_ != nullptr;
    } else {
        pa_context_rttime_restart(connection_->Context(), pollTimer_, when);
        pollArmed_ = true;
    }
}

// Main loop thread, real-time: asks for the stream's timing (libpulse builds the request; we
// allocate nothing) and arms the next poll.
void PulsePlaybackDevice::OnPollTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                      void* data) {
    auto* self = static_cast<PulsePlaybackDevice*>(data);
    self->pollArmed_ = false;
    if (self->Gone() || self->held_.Count() == 0)
        return;
    if (self->timingRequest_ == nullptr) {
        self->timingRequest_ = pa_stream_update_timing_info(self->stream_, &OnTimingUpdated, self);
    }
    self->ArmPollTimer();
}

void PulsePlaybackDevice::OnTimingUpdated(pa_stream*, int, void* data) {
    auto* self = static_cast<PulsePlaybackDevice*>(data);
    if (self->timingRequest_ != nullptr) {
        pa_operation_unref(self->timingRequest_);
        self->timingRequest_ = nullptr;
    }
    self->HandBackPlayed();
}

void PulsePlaybackDevice::OnLatencyUpdated(pa_stream*, void* data) {
    static_cast<PulsePlaybackDevice*>(data)->HandBackPlayed();
}

// Main loop thread, real-time. The server still holds write index minus read index bytes; every
// held buffer before those has been played (read past its end) and goes back, oldest first.
void PulsePlaybackDevice::HandBackPlayed() {
    if (Gone() || held_.Count() == 0)
        return;
    const pa_timing_info* timing = pa_stream_get_timing_info(stream_);
    // Right after a flush the indexes are unknown until the next update.
    if (timing == nullptr || timing->read_index_corrupt || timing->write_index_corrupt)
        return;
    const std::int64_t held = timing->write_index - timing->read_index;
    const std::uint64_t unplayed = held > 0 ? static_cast<std::uint64_t>(held) : 0;
    while (BufferHeader* front = held_.Front()) {
        if (pendingBytes_ - front->length < unplayed)
            break;
        pendingBytes_ -= front->length;
        PostFront();
    }
}

} // namespace platform
