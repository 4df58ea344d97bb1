#include "ipc/ipc.h"

#include <limits>

#include "base/mlog.h"
#include "platform/kobjects.h"
#include "platform/process_id.h"

namespace {

unsigned Held(const void* handle) {
    return handle != nullptr ? 1u : 0u;
}

} // namespace

IPC::IPC(const std::string& baseName)
    : workName_(baseName + "work"), reqName_(baseName + "req"), answName_(baseName + "answ"),
      memName_(baseName + "mem"), msgName_(baseName + "msg") {}

IPC::~IPC() {
    IPC::Close();
}

bool IPC::Create(std::uint32_t maxPayload) {
    LogNote("%s(dataSizeMax=%u)", "IPC::Create", maxPayload);
    Close();
    bool reqExisted = false;
    bool answExisted = false;
    bool existed = false;
    request_ = platform::NamedEvent::Create(reqName_, false, false, &reqExisted);
    answer_ = platform::NamedEvent::Create(answName_, false, false, &answExisted);
    alive_ = platform::NamedMutex::Create(workName_, true, &existed);
    ownsAlive_ = alive_ != nullptr;
    if (alive_ && existed) {
        // A mutex that outlived its server is free or abandoned; one that another server
        // holds is not: then the channel is taken.
        platform::WaitResult taken = platform::WaitForObject(*alive_, 0);
        ownsAlive_ = taken.status == platform::WaitStatus::Signalled ||
                     taken.status == platform::WaitStatus::Abandoned;
        if (!ownsAlive_)
            alive_.reset();
    }
    // Events left over from an earlier server (a client still holds them) may be set; a
    // running server's events are left alone.
    if (ownsAlive_ && request_ && reqExisted)
        request_->Reset();
    if (ownsAlive_ && answer_ && answExisted)
        answer_->Reset();
    ShmErrorNum shmError = kShmCreateFailed;
    if (maxPayload <= std::numeric_limits<std::uint32_t>::max() - kIpcPayloadOffset)
        shmError = ShareMem::Create(memName_, maxPayload + kIpcPayloadOffset);
    if (!request_ || !answer_ || !alive_ || shmError != kShmSuccess) {
        LogError("Create ipc conection");
        LogNote("%s() : hIsWork=%u, hReq=%u, hAnsw=%u, shmerror=%d", "IPC::Create",
                Held(alive_.get()), Held(request_.get()), Held(answer_.get()),
                static_cast<int>(shmError));
        Close();
        return false;
    }
    SetPointers();
    return true;
}

void IPC::SetPointers() {
    LogNote("IPC::SetPointers");
    payload_.Attach(View());
    payload_.Clear();
}

void IPC::Dispatch(std::span<const IpcCommand> table, VoiceServerHandlers& handlers) {
    if (!payload_.Attached())
        return;
    SendAnswer(RunIpcCommand(payload_, table, handlers));
}

void IPC::SendAnswer(const IpcHeader& header) {
    LogNote("IPC::SendAnswer");
    payload_.WriteHeader(header);
    if (answer_)
        answer_->Set();
}

void IPC::Close() {
    LogNote("IPC::Close");
    // Released explicitly so that a client waiting for an answer learns at once that the
    // server is gone.
    if (alive_ && ownsAlive_)
        alive_->Release();
    ownsAlive_ = false;
    request_.reset();
    answer_.reset();
    alive_.reset();
    payload_.Detach();
    ShareMem::Close();
}

bool IPC::Open() {
    LogScope scope("IPC::Open");
    Close();
    alive_ = platform::NamedMutex::Open(workName_);
    request_ = platform::NamedEvent::Open(reqName_);
    answer_ = platform::NamedEvent::Open(answName_);
    ShmErrorNum shmError = ShareMem::Open(memName_, kShmAccessWrite);
    if (shmError == kShmSuccess && !payload_.Attach(View()))
        shmError = kShmMapFailed;
    bool ok = alive_ && request_ && answer_ && shmError == kShmSuccess;
    if (ok) {
        // The client leaves the block as it is: another client's command may be in flight.
        // BeginRequest starts each of its own requests.
        LogNote("IPC::SetPointers");
    } else {
        LogError("Open ipc connection.");
        LogNote("%s(): hIsWork=%u, hReq=%u, hAnsw=%u, shmerror=%d", "IPC::Open", Held(alive_.get()),
                Held(request_.get()), Held(answer_.get()), static_cast<int>(shmError));
        Close();
    }
    scope.SetResult(ok);
    return ok;
}

void IPC::BeginRequest() {
    payload_.Clear();
}

bool IPC::SendMessageW(std::uint32_t code) {
    const std::uint32_t processId = platform::CurrentProcessId();
    LogScope scope("IPC::SendMessageW", "procId=%u, code=%u", processId, code);
    if (!payload_.Attached() || !request_ || !answer_ || !alive_) {
        LogError("SendMessage ipc error.");
        scope.SetResult(false);
        return false;
    }

    bool existed = false;
    auto sendMutex = platform::NamedMutex::Create(msgName_, true, &existed);
    bool sendLocked = sendMutex != nullptr;
    if (sendMutex && existed) {
        platform::WaitResult taken = platform::WaitForObject(*sendMutex, platform::kWaitInfinite);
        sendLocked = taken.status == platform::WaitStatus::Signalled ||
                     taken.status == platform::WaitStatus::Abandoned;
    }

    bool answered = false;
    if (sendLocked) {
        answer_->Reset();
        const IpcHeader request = IpcHeader::Request(processId, code);
        payload_.WriteHeader(request);
        request_->Set();
        platform::WaitResult result =
            platform::WaitForObjects({answer_.get(), alive_.get()}, kIpcAnswerTimeoutMs);
        if (result.index == 1 && (result.status == platform::WaitStatus::Signalled ||
                                  result.status == platform::WaitStatus::Abandoned)) {
            // The server is gone and this thread now holds its mutex: give it back so that a
            // new server can take it.
            alive_->Release();
        }
        // An answer left by a server that finished a timed-out request of another client
        // carries that request's process id or code: it is not ours.
        answered = result.status == platform::WaitStatus::Signalled && result.index == 0 &&
                   payload_.ReadHeader().Answers(request);
    }
    if (!answered) {
        LogError("SendMessage ipc error.");
        LogNote("%s(): hIsWork=%u, hReq=%u, hAnsw=%u", "IPC::SendMessageW", Held(alive_.get()),
                Held(request_.get()), Held(answer_.get()));
    } else {
        payload_.Rewind();
    }
    if (sendLocked)
        sendMutex->Release();
    sendMutex.reset();
    scope.SetResult(answered);
    return answered;
}
