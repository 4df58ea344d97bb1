#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <thread>

#include "audio/wmme.h"
#include "base/mlog.h"

PaStream::PaStream(AudioBackend& backend, std::uint32_t direction)
    : backend_(backend), direction_(direction) {}

PaStream::~PaStream() = default;

// Runs the owner's handler under the stream lock and queues an input buffer again at once. No
// allocation; the only I/O is the failure line. Engine thread; real-time safe.
void PaStream::HandleNotification(PortAudio& engine, BufferHeader& header, std::uint32_t message) {
    std::lock_guard<std::mutex> lock(lock_);
    BufferInfo& info = *header.user;
    info.inFlight = 0;
    if (!running_)
        return;
    info.data = header.data;
    if (message == kMsgInputData) {
        info.bytesUsed = header.bytesRecorded;
        engine.OnInputData(info);
        DeviceResult r = QueueLocked(info.index);
        if (r != kDevOk)
            LogError("Add in buffer error: %u", r);
    } else {
        engine.OnOutputDone(info);
    }
}

DeviceResult PaStream::QueueLocked(std::uint32_t i) {
    Slot& slot = buffers_[i];
    slot.info.inFlight = 1;
    if (IsInput()) {
        slot.header.bytesRecorded = 0;
        slot.header.length = bufferBytes_;
    }
    DeviceResult r = handle_->Queue(slot.header);
    if (r != kDevOk)
        slot.info.inFlight = 0;
    return r;
}

MmeErrorNum PaStream::OpenDevice(const char* method, std::uint32_t threadId, int device,
                                 std::uint32_t bits, std::uint32_t rate, std::uint16_t ms,
                                 std::uint32_t count) {
    LogScope scope(method,
                   "threadId=%d, nDev=%d, bitPerSample=%u, sampleRate=%u, sizeofBuferMs=%u, "
                   "numberOfBufers=%u",
                   static_cast<int>(threadId), device, bits, rate, static_cast<unsigned>(ms),
                   count);
    CloseDevice(IsInput() ? "PaStreamIn::Close" : "PaStreamOut::Close");
    MmeErrorNum result = kMmeSuccess;
    const BufferLayout layout = ComputeBufferLayout(bits, rate, ms);
    device_ = device;
    bitsPerSample_ = layout.bitsPerSample;
    format_ = layout.format;
    bufferMs_ = ms;
    samplesPerBuffer_ = layout.samplesPerBuffer;
    bufferBytes_ = layout.bufferBytes;
    bufferCount_ = count;
    if (device == -2) {
        LogWarning(IsInput() ? "Sound card not defined" : "sound card not defined");
        scope.SetResult(MmeErrorText(result));
        return result;
    }
    do {
        if (threadId == 0) {
            if (IsInput()) {
                LogError("Stream In: threadId == 0");
            } else {
                LogError("Output thread is not created");
                LogMethod(method, "threadId == 0");
            }
            result = kMmeOpenFailed;
            break;
        }
        // The whole ring must be addressable with 32-bit byte counts.
        if (bits == 0 || bits > 32 || bufferBytes_ == 0 || count == 0 ||
            std::uint64_t{bufferBytes_} * count > std::numeric_limits<std::uint32_t>::max()) {
            LogError("Bad stream format or buffers");
            result = kMmeBadParam;
            break;
        }
        mailbox_ = FindEngineMailbox(threadId);
        DeviceResult r = mailbox_ == nullptr ? kDevInvalidParam
                                             : backend_.Open(IsInput() ? DeviceDirection::Capture
                                                                       : DeviceDirection::Playback,
                                                             device, format_, mailbox_, handle_);
        if (r != kDevOk || handle_ == nullptr) {
            LogError(IsInput() ? "waveInOpen == %u" : "waveOutOpen == %u", r);
            handle_.reset();
            result = kMmeOpenFailed;
            break;
        }
        buffers_.reset(new (std::nothrow) Slot[count]);
        if (buffers_ == nullptr) {
            result = kMmeNoMemory;
            break;
        }
        for (std::uint32_t i = 0; i < count && result == kMmeSuccess; ++i) {
            Slot& slot = buffers_[i];
            slot.memory.reset(new (std::nothrow) std::uint8_t[bufferBytes_]());
            if (slot.memory == nullptr) {
                result = kMmeNoMemory;
                break;
            }
            slot.info = BufferInfo{direction_, this, i, 0, bufferBytes_, nullptr, 0, 0};
            slot.header.data = slot.memory.get();
            slot.header.length = bufferBytes_;
            slot.header.user = &slot.info;
            DeviceResult p = handle_->Prepare(slot.header);
            if (p != kDevOk) {
                LogError(IsInput() ? "waveInPrepareHeader == %u" : "waveOutPrepareHeader == %u", p);
                result = kMmePrepareFailed;
            }
        }
    } while (false);
    if (result != kMmeSuccess) {
        LogError(IsInput() ? "Open input stream error: %s" : "Open output stream error: %s",
                 MmeErrorText(result).c_str());
        CloseDevice(IsInput() ? "PaStreamIn::Close" : "PaStreamOut::Close");
        device_ = -2;
    }
    scope.SetResult(MmeErrorText(result));
    return result;
}

MmeErrorNum PaStream::StopDevice(const char* method) {
    LogScope scope(method);
    MmeErrorNum result = kMmeSuccess;
    bool wasRunning;
    {
        std::lock_guard<std::mutex> lock(lock_);
        wasRunning = running_;
        running_ = false;
    }
    if (handle_ != nullptr && wasRunning) {
        DeviceResult r = handle_->Reset();
        if (r != kDevOk) {
            LogError(IsInput() ? "reset input stream" : "Error of reset output stream");
            LogMethod(method, IsInput() ? "waveInReset error %u" : "waveOutReset error %u", r);
            result = kMmeResetFailed;
        }
    }
    scope.SetResult(MmeErrorText(result));
    return result;
}

bool PaStream::CloseDevice(const char* method) {
    LogMethod(method);
    if (handle_ == nullptr)
        return true;
    StopDevice(IsInput() ? "PaStreamIn::Stop" : "PaStreamOut::Stop");
    if (buffers_ != nullptr) {
        // The engine thread clears the flags as the device hands the buffers back; the wait is
        // bounded so that a dead engine thread cannot hang the caller.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(closeWaitMs_);
        for (;;) {
            bool inFlight = false;
            {
                std::lock_guard<std::mutex> lock(lock_);
                for (std::uint32_t i = 0; i < bufferCount_ && !inFlight; ++i)
                    inFlight = buffers_[i].info.inFlight != 0;
            }
            if (!inFlight)
                break;
            if (std::chrono::steady_clock::now() >= deadline) {
                LogWarning("Buffers still in flight after %u ms", closeWaitMs_);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        bool allUnprepared = true;
        for (std::uint32_t i = 0; i < bufferCount_; ++i) {
            Slot& slot = buffers_[i];
            if (mailbox_ != nullptr)
                mailbox_->Withdraw(slot.header);
            DeviceResult r = handle_->Unprepare(slot.header);
            for (int attempts = 20; !IsInput() && r == kDevStillPlaying && attempts > 0;) {
                --attempts;
                LogWarning("Fault unprepear buffer. Num of attempts: %d", attempts);
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                r = handle_->Unprepare(slot.header);
            }
            if (r != kDevOk) {
                LogError(IsInput() ? "Close input stream error" : "Close output stream error");
                LogMethod(method,
                          IsInput() ? "waveInUnprepareHeader error: %u. nBuffer = %d"
                                    : "waveOutUnprepareHeader error: %u. nBuffer = %d",
                          r, static_cast<int>(i));
                allUnprepared = false;
            }
        }
        // A buffer the device still holds must stay valid: rather leak the ring than let the
        // device write into freed memory.
        if (!allUnprepared)
            static_cast<void>(buffers_.release());
        buffers_.reset();
    }
    DeviceResult r = handle_->Close();
    for (int attempt = 1; r == kDevStillPlaying && attempt < 20; ++attempt) {
        LogWarning(IsInput() ? "Input stream is still playing" : "Output stream is still playing");
        LogMethod(method, IsInput() ? "waveInClose == WAVERR_STILLPLAYING"
                                    : "waveOutClose == WAVERR_STILLPLAYING");
        std::this_thread::sleep_for(std::chrono::milliseconds(IsInput() ? 30 : 10));
        r = handle_->Close();
    }
    handle_.reset();
    mailbox_.reset();
    device_ = -2;
    format_ = PcmFormat{};
    bitsPerSample_ = 0;
    bufferCount_ = 0;
    bufferBytes_ = 0;
    bufferMs_ = 0;
    samplesPerBuffer_ = 0;
    if (r != kDevOk)
        LogError(IsInput() ? "Close input stream. Error code: %u"
                           : "Close output stream. Error code: %u",
                 r);
    return r == kDevOk;
}

PaStreamIn::~PaStreamIn() {
    Close();
}

MmeErrorNum PaStreamIn::Open(std::uint32_t threadId, int device, std::uint32_t bitsPerSample,
                             std::uint32_t sampleRate, std::uint16_t bufferMs,
                             std::uint32_t bufferCount) {
    return OpenDevice("PaStreamIn::Open", threadId, device, bitsPerSample, sampleRate, bufferMs,
                      bufferCount);
}

MmeErrorNum PaStreamIn::Start() {
    const char* method = "PaStreamIn::Start";
    LogScope scope(method);
    MmeErrorNum result = kMmeSuccess;
    if (handle_ == nullptr) {
        LogMethod(method, "hWaveIn == NULL");
        result = kMmeNotOpen;
    } else if (buffers_ == nullptr) {
        LogMethod(method, "inputBuffers == NULL");
        result = kMmeStartFailed;
    } else {
        for (std::uint32_t i = 0; i < bufferCount_; ++i) {
            DeviceResult r;
            {
                std::lock_guard<std::mutex> lock(lock_);
                // A buffer still on its way back is queued again by its notification.
                if (buffers_[i].info.inFlight != 0)
                    continue;
                r = QueueLocked(i);
            }
            if (r != kDevOk) {
                LogError("Add in buffer error: %u", r);
                LogMethod(method, "waveInAddBuffer error %u", r);
                result = kMmeStartFailed;
                break;
            }
        }
        if (result == kMmeSuccess) {
            {
                std::lock_guard<std::mutex> lock(lock_);
                running_ = true;
            }
            DeviceResult r = handle_->Start();
            if (r != kDevOk) {
                LogMethod(method, "waveInStart error %u", r);
                result = kMmeStartFailed;
            }
        }
    }
    if (result != kMmeSuccess) {
        LogError("Error of start input stream");
        Stop();
    }
    scope.SetResult(MmeErrorText(result));
    return result;
}

MmeErrorNum PaStreamIn::Stop() {
    return StopDevice("PaStreamIn::Stop");
}

bool PaStreamIn::Close() {
    return CloseDevice("PaStreamIn::Close");
}

PaStreamOut::~PaStreamOut() {
    Close();
}

MmeErrorNum PaStreamOut::Open(std::uint32_t threadId, int device, std::uint32_t bitsPerSample,
                              std::uint32_t sampleRate, std::uint16_t bufferMs,
                              std::uint32_t bufferCount) {
    return OpenDevice("PaStreamOut::Open", threadId, device, bitsPerSample, sampleRate, bufferMs,
                      bufferCount);
}

void PaStreamOut::Start() {
    std::lock_guard<std::mutex> lock(lock_);
    running_ = true;
}

// Copies into a buffer of the ring, no allocation; the only I/O is the failure lines.
// Engine thread; real-time safe.
MmeErrorNum PaStreamOut::Write(const void* data, std::uint32_t count, std::uint32_t tag) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!running_ || handle_ == nullptr)
        return kMmeSuccess;
    if (count > bufferBytes_) {
        LogError("wmme critical error (dataSize > buffSize)");
        return kMmeBadParam;
    }
    int free = -1;
    for (std::uint32_t i = 0; i < bufferCount_ && free < 0; ++i) {
        // A played buffer stays taken until the engine thread has passed its notification on.
        if (!buffers_[i].header.inQueue && buffers_[i].info.inFlight == 0)
            free = static_cast<int>(i);
    }
    if (free < 0)
        return kMmeNoFreeBuffer;
    Slot& slot = buffers_[free];
    if (count != 0)
        std::memcpy(slot.header.data, data, count);
    slot.header.length = count;
    slot.info.bytesUsed = count;
    slot.info.tag = tag;
    DeviceResult r = QueueLocked(static_cast<std::uint32_t>(free));
    if (r != kDevOk) {
        LogError("Out write error: %u", r);
        slot.info.bytesUsed = 0;
        LogMethod("PaStreamOut::Write", "waveOutWrite error %d", static_cast<int>(r));
        return r == kDevNoDriver ? kMmeNoDriver : kMmeIoError;
    }
    return kMmeSuccess;
}

MmeErrorNum PaStreamOut::Stop() {
    return StopDevice("PaStreamOut::Stop");
}

void PaStreamOut::Close() {
    CloseDevice("PaStreamOut::Close");
}

QueueState PaStreamOut::GetQueueState() {
    std::lock_guard<std::mutex> lock(lock_);
    QueueState q;
    q.totalBuffers = bufferCount_;
    q.totalBytes = bufferCount_ * bufferBytes_;
    if (running_ && buffers_ != nullptr) {
        for (std::uint32_t i = 0; i < bufferCount_; ++i) {
            if (buffers_[i].header.inQueue) {
                ++q.queuedBuffers;
                q.queuedBytes += buffers_[i].info.bytesUsed;
            }
        }
    }
    q.freeBuffers = q.totalBuffers - q.queuedBuffers;
    q.freeBytes = q.totalBytes - q.queuedBytes;
    return q;
}

int PaStreamOut::FindFreeBuffer() {
    std::lock_guard<std::mutex> lock(lock_);
    for (std::uint32_t i = 0; i < bufferCount_ && buffers_ != nullptr; ++i) {
        if (!buffers_[i].header.inQueue && buffers_[i].info.inFlight == 0)
            return static_cast<int>(i);
    }
    return -1;
}
