#include "audio/wmme.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <map>
#include <system_error>

#include "base/mlog.h"
#include "base/strtable.h"
#include "platform/thread_priority.h"

std::string MmeErrorText(std::uint32_t code) {
    if (code <= kMmeIoError)
        return LoadStr(120 + code);
    if (code == kMmeBadParam)
        return LoadStr(140);
    if (code == kMmeDeviceNotFound)
        return LoadStr(133);
    return LoadStr(141);
}

BufferLayout ComputeBufferLayout(std::uint32_t bitsPerSample, std::uint32_t sampleRate,
                                 std::uint16_t bufferMs) {
    BufferLayout layout;
    layout.bytesPerSample = (bitsPerSample + 7) / 8;
    layout.bitsPerSample = static_cast<std::uint8_t>(layout.bytesPerSample * 8);
    layout.samplesPerBuffer =
        static_cast<std::uint32_t>(std::uint64_t{bufferMs} * sampleRate / 1000);
    layout.bufferBytes = layout.samplesPerBuffer * layout.bytesPerSample;
    layout.format.sampleRate = sampleRate;
    layout.format.bitsPerSample = layout.bitsPerSample;
    layout.format.blockAlign = static_cast<std::uint16_t>(layout.bytesPerSample);
    layout.format.avgBytesPerSec = sampleRate * layout.bytesPerSample;
    return layout;
}

namespace {

std::mutex registryMutex;
std::map<std::uint32_t, std::weak_ptr<EngineMailbox>> registry;
std::uint32_t lastThreadId = 0;

std::uint32_t RegisterMailbox(const std::shared_ptr<EngineMailbox>& mailbox) {
    std::lock_guard<std::mutex> lock(registryMutex);
    if (++lastThreadId == 0)
        ++lastThreadId;
    registry[lastThreadId] = mailbox;
    return lastThreadId;
}

void UnregisterMailbox(std::uint32_t id) {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry.erase(id);
}

} // namespace

std::shared_ptr<EngineMailbox> FindEngineMailbox(std::uint32_t threadId) {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = registry.find(threadId);
    return it == registry.end() ? nullptr : it->second.lock();
}

struct PortAudio::ThreadState {
    std::shared_ptr<EngineMailbox> mailbox = std::make_shared<EngineMailbox>();
    std::mutex mutex;
    std::condition_variable cv;
    bool finished = false;
};

PortAudio::PortAudio() = default;

// Owners stop the engine in their own destructor, while their handlers still exist; this only
// makes sure no thread outlives the object.
PortAudio::~PortAudio() {
    if (thread_.joinable()) {
        state_->mailbox->PostQuit();
        thread_.join();
        UnregisterMailbox(threadId_);
    }
}

MmeErrorNum PortAudio::StartEngine() {
    LogMethod("PortAudio::StartEngine");
    if (thread_.joinable()) {
        // A thread that would not end keeps its handle: never start a second one beside it.
        MmeErrorNum stopped = StopEngine();
        if (stopped != kMmeSuccess)
            return stopped;
    }
    auto state = std::make_shared<ThreadState>();
    try {
        thread_ = std::thread(&PortAudio::ThreadProc, this, state);
    } catch (const std::system_error& e) {
        LogError("Start mme engine error: %d", e.code().value());
        return kMmeThreadFailed;
    }
    state_ = state;
    threadId_ = RegisterMailbox(state->mailbox);
    return kMmeSuccess;
}

MmeErrorNum PortAudio::StopEngine() {
    LogMethod("PortAudio::StopEngine");
    if (thread_.joinable()) {
        LogMethod("PortAudio::StopEngine", "send WM_QUIT");
        state_->mailbox->PostQuit();
        LogMethod("PortAudio::StopEngine", "wait close thread ...");
        bool ended;
        {
            std::unique_lock<std::mutex> lock(state_->mutex);
            ended = state_->cv.wait_for(lock, std::chrono::milliseconds(stopTimeoutMs_),
                                        [this] { return state_->finished; });
        }
        if (!ended) {
            LogWarning("Stop mme engine error: Wait timeout expire");
            return kMmeTimeout;
        }
        thread_.join();
        UnregisterMailbox(threadId_);
        threadId_ = 0;
        state_.reset();
    }
    LogMethod("PortAudio::StopEngine", "ok");
    return kMmeSuccess;
}

bool PortAudio::PostEngineMessage(std::uint32_t message, std::uintptr_t param) {
    return state_ != nullptr && state_->mailbox->Post(message, param);
}

void PortAudio::ThreadProc(std::shared_ptr<ThreadState> state) {
    LogEnter("PortAudio::ThreadProc", "Enter thread");
    platform::RaiseCurrentThreadPriority();
    for (;;) {
        EngineMailbox::Message m = state->mailbox->Take();
        if (m.message == EngineMailbox::kQuit)
            break;
        std::string fault;
        try {
            OnMessage(m.message, m.param);
            continue;
        } catch (const std::exception& e) {
            fault = e.what();
        } catch (...) {
            fault = "Unknown exception";
        }
        // A handler failed in the middle of the audio path: the state of the streams is
        // unknown, so the process ends as a fault would end it.
        if (m.message == kMsgOutputDone)
            LogException("Audio output exception. %s", fault.c_str());
        else if (m.message == kMsgInputData)
            LogException("Audio input exception. %s", fault.c_str());
        else
            LogException("Audio exception. %s", fault.c_str());
        OnAudioException(m.message);
        std::_Exit(1);
    }
    LogLeaveText("PortAudio::ThreadProc", "Exit from thread");
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->finished = true;
    }
    state->cv.notify_all();
}

void PortAudio::OnMessage(std::uint32_t message, std::uintptr_t param) {
    if (message != kMsgInputData && message != kMsgOutputDone)
        return;
    auto* header = reinterpret_cast<BufferHeader*>(param);
    if (header == nullptr || header->user == nullptr || header->user->stream == nullptr)
        return;
    header->user->stream->HandleNotification(*this, *header, message);
}

void PortAudio::OnInputData(BufferInfo) {}
void PortAudio::OnOutputDone(BufferInfo) {}
void PortAudio::OnAudioException(std::uint32_t) {}
