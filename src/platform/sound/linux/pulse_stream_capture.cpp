#include <algorithm>
#include <cstring>

#include "platform/sound/linux/pulse_stream_device.h"

namespace platform {

PulseCaptureDevice::PulseCaptureDevice(std::shared_ptr<PulseConnection> connection,
                                       const PcmFormat& format,
                                       std::shared_ptr<EngineMailbox> mailbox)
    : PulseStreamDevice(std::move(connection), format, std::move(mailbox), kMsgInputData) {}

pa_buffer_attr PulseCaptureDevice::BufferAttr(std::uint32_t bufferBytes) const {
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(-1);
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    // Fragments of half a buffer: a buffer is complete at most half a buffer after its last
    // sample was recorded.
    const std::uint32_t align = format_.blockAlign;
    attr.fragsize = std::max(align, bufferBytes / 2 / align * align);
    return attr;
}

int PulseCaptureDevice::Connect(const char* device, const pa_buffer_attr& attr) {
    pa_stream_set_read_callback(stream_, &PulseCaptureDevice::OnReadable, this);
    const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_DONT_MOVE |
                                                      PA_STREAM_ADJUST_LATENCY);
    return pa_stream_connect_record(stream_, device, &attr, flags);
}

DeviceResult PulseCaptureDevice::Queue(BufferHeader& header) {
    PulseConnection::Guard guard(*connection_);
    if (Gone())
        return kDevNoDriver;
    if (header.bytesRecorded >= header.length || !held_.Push(header))
        return kDevInvalidParam;
    header.inQueue = true;
    return kDevOk;
}

DeviceResult PulseCaptureDevice::Start() {
    PulseConnection::Guard guard(*connection_);
    if (Gone())
        return kDevNoDriver;
    pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr);
    if (uncork == nullptr)
        return kDevError;
    pa_operation_unref(uncork);
    started_ = true;
    return kDevOk;
}

DeviceResult PulseCaptureDevice::Reset() {
    PulseConnection::Guard guard(*connection_);
    started_ = false;
    if (!Gone()) {
        // Stop recording and forget what the server recorded but did not deliver yet, so that a
        // later Start begins with fresh sound.
        if (pa_operation* cork = pa_stream_cork(stream_, 1, nullptr, nullptr))
            pa_operation_unref(cork);
        if (pa_operation* flush = pa_stream_flush(stream_, nullptr, nullptr))
            pa_operation_unref(flush);
    }
    PostAll();
    return kDevOk;
}

// Main loop thread, real-time: copies and posts, nothing else.
void PulseCaptureDevice::OnReadable(pa_stream* stream, std::size_t, void* data) {
    auto* self = static_cast<PulseCaptureDevice*>(data);
    while (pa_stream_readable_size(stream) > 0) {
        const void* fragment = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &fragment, &bytes) < 0 || bytes == 0)
            return;
        // A hole (no data) in the recording becomes silence, so that the timing stays right.
        if (self->started_)
            self->Record(static_cast<const std::uint8_t*>(fragment), bytes);
        pa_stream_drop(stream);
    }
}

void PulseCaptureDevice::Record(const std::uint8_t* data, std::size_t bytes) {
    const std::uint8_t silence = format_.blockAlign == 1 ? 0x80 : 0x00;
    while (bytes > 0) {
        BufferHeader* header = held_.Front();
        if (header == nullptr)
            return; // no buffer to record into: the rest is lost
        const std::size_t n = std::min<std::size_t>(bytes, header->length - header->bytesRecorded);
        std::uint8_t* target = header->data + header->bytesRecorded;
        if (data != nullptr) {
            std::memcpy(target, data, n);
            data += n;
        } else {
            std::memset(target, silence, n);
        }
        header->bytesRecorded += static_cast<std::uint32_t>(n);
        bytes -= n;
        if (header->bytesRecorded == header->length)
            PostFront();
    }
}

} // namespace platform
