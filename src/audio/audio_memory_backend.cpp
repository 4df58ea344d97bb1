#include "audio/audio_memory_backend.h"

#include <algorithm>
#include <cstring>

struct MemoryAudioBackend::Record {
    std::string name;
    DeviceDirection direction = DeviceDirection::Capture;
    bool gone = false;
    bool open = false;
    bool started = false;
    PcmFormat format;
    std::shared_ptr<EngineMailbox> mailbox;
    std::deque<BufferHeader*> queue;
    std::uint32_t headOffset = 0; // playback: bytes of the first buffer already played
    std::vector<std::uint8_t> signal;
    std::size_t signalPos = 0;
    std::vector<std::uint8_t> played;
    double clockRate = 1.0;
    double owedSamples = 0.0; // the fraction of a sample the device's clock is ahead
};

class MemoryAudioBackend::Device : public AudioDevice {
public:
    Device(MemoryAudioBackend& owner, Record& record) : owner_(owner), record_(record) {}

    DeviceResult Prepare(BufferHeader&) override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        return record_.gone ? kDevNoDriver : kDevOk;
    }

    DeviceResult Queue(BufferHeader& header) override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (record_.gone)
            return kDevNoDriver;
        header.inQueue = true;
        record_.queue.push_back(&header);
        return kDevOk;
    }

    DeviceResult Start() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (record_.gone)
            return kDevNoDriver;
        record_.started = true;
        return kDevOk;
    }

    DeviceResult Reset() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        record_.started = false;
        const std::uint32_t message =
            record_.direction == DeviceDirection::Capture ? kMsgInputData : kMsgOutputDone;
        for (BufferHeader* header : record_.queue) {
            header->inQueue = false;
            record_.mailbox->PostBuffer(*header, message);
        }
        record_.queue.clear();
        record_.headOffset = 0;
        return kDevOk;
    }

    DeviceResult Unprepare(BufferHeader& header) override {
        return header.inQueue ? kDevStillPlaying : kDevOk;
    }

    DeviceResult Close() override {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        if (!record_.queue.empty())
            return kDevStillPlaying;
        record_.open = false;
        record_.mailbox.reset();
        return kDevOk;
    }

private:
    MemoryAudioBackend& owner_;
    Record& record_;
};

MemoryAudioBackend::MemoryAudioBackend() = default;
MemoryAudioBackend::~MemoryAudioBackend() = default;

int MemoryAudioBackend::AddCaptureDevice(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto record = std::make_unique<Record>();
    record->name = name;
    record->direction = DeviceDirection::Capture;
    capture_.push_back(std::move(record));
    return static_cast<int>(capture_.size() - 1);
}

int MemoryAudioBackend::AddPlaybackDevice(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto record = std::make_unique<Record>();
    record->name = name;
    record->direction = DeviceDirection::Playback;
    playback_.push_back(std::move(record));
    return static_cast<int>(playback_.size() - 1);
}

MemoryAudioBackend::Record* MemoryAudioBackend::Find(DeviceDirection direction, int device) const {
    const auto& list = direction == DeviceDirection::Capture ? capture_ : playback_;
    if (device < 0 || static_cast<std::size_t>(device) >= list.size())
        return nullptr;
    return list[static_cast<std::size_t>(device)].get();
}

void MemoryAudioBackend::SetCaptureSignal(int device, std::vector<std::uint8_t> bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Record* record = Find(DeviceDirection::Capture, device)) {
        record->signal = std::move(bytes);
        record->signalPos = 0;
    }
}

void MemoryAudioBackend::RemoveDevice(DeviceDirection direction, int device) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Record* record = Find(direction, device))
        record->gone = true;
}

void MemoryAudioBackend::SetClockRate(DeviceDirection direction, int device, double rate) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Record* record = Find(direction, device))
        record->clockRate = rate;
}

namespace {

// The samples a device's own clock moves while the shared clock moves samples.
std::uint32_t DeviceSamples(double rate, double& owed, std::uint32_t samples) {
    const double exact = samples * rate + owed;
    const auto whole = static_cast<std::uint32_t>(exact);
    owed = exact - whole;
    return whole;
}

} // namespace

void MemoryAudioBackend::Advance(std::uint32_t samples) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& record : capture_)
        AdvanceCapture(*record, DeviceSamples(record->clockRate, record->owedSamples, samples));
    for (auto& record : playback_)
        AdvancePlayback(*record, DeviceSamples(record->clockRate, record->owedSamples, samples));
}

void MemoryAudioBackend::AdvanceCapture(Record& record, std::uint32_t samples) {
    if (!record.open || !record.started || record.gone)
        return;
    // Bytes that find no queued buffer are lost, as with a real device that overruns.
    std::size_t bytes = std::size_t{samples} * record.format.blockAlign;
    while (bytes > 0 && !record.queue.empty()) {
        BufferHeader& header = *record.queue.front();
        std::size_t n = std::min<std::size_t>(bytes, header.length - header.bytesRecorded);
        std::uint8_t* dst = header.data + header.bytesRecorded;
        std::size_t fromSignal = std::min(n, record.signal.size() - record.signalPos);
        if (fromSignal != 0)
            std::memcpy(dst, record.signal.data() + record.signalPos, fromSignal);
        std::memset(dst + fromSignal, 0, n - fromSignal);
        record.signalPos += fromSignal;
        header.bytesRecorded += static_cast<std::uint32_t>(n);
        bytes -= n;
        if (header.bytesRecorded == header.length) {
            record.queue.pop_front();
            header.inQueue = false;
            record.mailbox->PostBuffer(header, kMsgInputData);
        }
    }
}

void MemoryAudioBackend::AdvancePlayback(Record& record, std::uint32_t samples) {
    if (!record.open || record.gone)
        return;
    std::size_t bytes = std::size_t{samples} * record.format.blockAlign;
    while (bytes > 0 && !record.queue.empty()) {
        BufferHeader& header = *record.queue.front();
        std::size_t n = std::min<std::size_t>(bytes, header.length - record.headOffset);
        record.played.insert(record.played.end(), header.data + record.headOffset,
                             header.data + record.headOffset + n);
        record.headOffset += static_cast<std::uint32_t>(n);
        bytes -= n;
        if (record.headOffset == header.length) {
            record.queue.pop_front();
            record.headOffset = 0;
            header.inQueue = false;
            record.mailbox->PostBuffer(header, kMsgOutputDone);
        }
    }
}

std::vector<std::uint8_t> MemoryAudioBackend::Played(int device) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(DeviceDirection::Playback, device);
    return record != nullptr ? record->played : std::vector<std::uint8_t>{};
}

std::size_t MemoryAudioBackend::HeldBuffers(DeviceDirection direction, int device) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(direction, device);
    return record != nullptr ? record->queue.size() : 0;
}

bool MemoryAudioBackend::IsOpen(DeviceDirection direction, int device) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(direction, device);
    return record != nullptr && record->open;
}

DeviceResult MemoryAudioBackend::Open(DeviceDirection direction, int device,
                                      const PcmFormat& format,
                                      std::shared_ptr<EngineMailbox> mailbox,
                                      std::unique_ptr<AudioDevice>& opened) {
    std::lock_guard<std::mutex> lock(mutex_);
    Record* record = Find(direction, device);
    if (record == nullptr || record->gone)
        return kDevBadDeviceId;
    if (record->open || mailbox == nullptr || format.blockAlign == 0)
        return kDevInvalidParam;
    record->open = true;
    record->started = false;
    record->format = format;
    record->mailbox = std::move(mailbox);
    record->queue.clear();
    record->headOffset = 0;
    opened = std::make_unique<Device>(*this, *record);
    return kDevOk;
}
