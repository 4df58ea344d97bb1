#include "platform/sound/linux/pulse_stream_device.h"

#include "base/mlog.h"

namespace platform {

void HeldBuffers::Reserve(std::size_t capacity) {
    if (capacity <= slots_.size())
        return;
    std::vector<BufferHeader*> slots(capacity, nullptr);
    for (std::size_t i = 0; i < count_; ++i)
        slots[i] = slots_[(head_ + i) % slots_.size()];
    slots_.swap(slots);
    head_ = 0;
}

bool HeldBuffers::Push(BufferHeader& header) {
    if (count_ == slots_.size())
        return false;
    slots_[(head_ + count_) % slots_.size()] = &header;
    ++count_;
    return true;
}

void HeldBuffers::PopFront() {
    if (count_ == 0)
        return;
    slots_[head_] = nullptr;
    head_ = (head_ + 1) % slots_.size();
    --count_;
}

PulseStreamDevice::PulseStreamDevice(std::shared_ptr<PulseConnection> connection,
                                     const PcmFormat& format,
                                     std::shared_ptr<EngineMailbox> mailbox, std::uint32_t message)
    : connection_(std::move(connection)), format_(format), mailbox_(std::move(mailbox)),
      message_(message) {}

PulseStreamDevice::~PulseStreamDevice() {
    // A device dropped without Close (the engine gave up waiting) still must not leave
    // callbacks pointing at it.
    if (stream_ != nullptr) {
        PulseConnection::Guard guard(*connection_);
        ReleaseStream();
    }
}

DeviceResult PulseStreamDevice::Open(std::shared_ptr<PulseConnection> connection,
                                     DeviceDirection direction, const std::string& device,
                                     const PcmFormat& format,
                                     std::shared_ptr<EngineMailbox> mailbox,
                                     std::unique_ptr<AudioDevice>& opened) {
    std::unique_ptr<PulseStreamDevice> created;
    if (direction == DeviceDirection::Capture)
        created = std::make_unique<PulseCaptureDevice>(connection, format, std::move(mailbox));
    else
        created = std::make_unique<PulsePlaybackDevice>(connection, format, std::move(mailbox));
    PulseStreamDevice& self = *created;

    pa_sample_spec sampleFormat{};
    sampleFormat.format = format.blockAlign == 1 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    sampleFormat.rate = format.sampleRate;
    sampleFormat.channels = 1;
    pa_channel_map map;
    pa_channel_map_init_mono(&map);

    PulseConnection::Guard guard(*connection);
    if (!connection->IsReady())
        return kDevNoDriver;
    self.stream_ = pa_stream_new(connection->Context(),
                                 direction == DeviceDirection::Capture ? "Voxwarp capture"
                                                                       : "Voxwarp playback",
                                 &sampleFormat, &map);
    if (self.stream_ == nullptr) {
        LogError("Sound server stream: %s", connection->LastError().c_str());
        return kDevNoDriver;
    }
    pa_stream_set_state_callback(self.stream_, &PulseStreamDevice::OnStateChanged, &self);
    // Sized for 10 ms buffers until Prepare tells the real buffer size.
    const std::uint32_t guess = format.avgBytesPerSec / 100 / format.blockAlign * format.blockAlign;
    self.bufferBytes_ = guess != 0 ? guess : format.blockAlign;
    const pa_buffer_attr attr = self.BufferAttr(self.bufferBytes_);
    if (self.Connect(device.empty() ? nullptr : device.c_str(), attr) < 0) {
        LogError("Sound server stream on \"%s\": %s", device.c_str(),
                 connection->LastError().c_str());
        self.ReleaseStream();
        return kDevNoDriver;
    }
    const bool settled = connection->WaitFor([&self] {
        pa_stream_state_t state = pa_stream_get_state(self.stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled || pa_stream_get_state(self.stream_) != PA_STREAM_READY) {
        const int error = pa_context_errno(connection->Context());
        LogError("Sound server stream on \"%s\" not ready: %s", device.c_str(),
                 settled ? pa_strerror(error) : "no answer");
        self.ReleaseStream();
        return settled && error == PA_ERR_NOENTITY ? kDevBadDeviceId : kDevNoDriver;
    }
    opened = std::move(created);
    return kDevOk;
}

void PulseStreamDevice::OnStateChanged(pa_stream* stream, void* data) {
    auto* self = static_cast<PulseStreamDevice*>(data);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) && !self->gone_)
        self->MarkGone();
    self->connection_->Signal();
}

DeviceResult PulseStreamDevice::Prepare(BufferHeader& header) {
    PulseConnection::Guard guard(*connection_);
    if (gone_ || stream_ == nullptr)
        return kDevNoDriver;
    if (header.length == 0 || header.length % format_.blockAlign != 0)
        return kDevInvalidParam;
    held_.Reserve(++prepared_);
    if (header.length != bufferBytes_) {
        bufferBytes_ = header.length;
        const pa_buffer_attr attr = BufferAttr(bufferBytes_);
        if (!connection_->Wait(pa_stream_set_buffer_attr(stream_, &attr, nullptr, nullptr))) {
            // The stream keeps working with its first sizes, only with another latency.
            LogWarning("Sound server stream: buffer sizes not changed: %s",
                       connection_->LastError().c_str());
        }
    }
    return gone_ ? kDevNoDriver : kDevOk;
}

DeviceResult PulseStreamDevice::Unprepare(BufferHeader& header) {
    return header.inQueue ? kDevStillPlaying : kDevOk;
}

DeviceResult PulseStreamDevice::Close() {
    PulseConnection::Guard guard(*connection_);
    if (held_.Count() != 0)
        return kDevStillPlaying;
    ReleaseStream();
    return kDevOk;
}

void PulseStreamDevice::ReleaseStream() {
    if (stream_ == nullptr)
        return;
    Detach();
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream_, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)))
        pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    gone_ = true;
}

void PulseStreamDevice::PostFront() {
    BufferHeader* header = held_.Front();
    if (header == nullptr)
        return;
    held_.PopFront();
    header->inQueue = false;
    mailbox_->PostBuffer(*header, message_);
}

void PulseStreamDevice::PostAll() {
    while (held_.Count() != 0)
        PostFront();
}

void PulseStreamDevice::MarkGone() {
    gone_ = true;
    Detach();
    PostAll();
}

} // namespace platform
