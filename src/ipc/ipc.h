// The request/answer channel between the control panel (client) and the voice server, over a
// shared block with a request event, an answer event, a mutex the server holds while it runs,
// and a send mutex that serialises the clients' sends. One request is in flight at a time.
//
// A client command: Lock(kChannelLockMs) (give up when it fails), BeginRequest, write the
// fields, SendMessageW(code), on success read the answer fields, Unlock. The channel lock
// belongs to the command: SendMessageW never releases it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "ipc/ipc_command.h"
#include "ipc/ipc_payload.h"
#include "ipc/sharemem.h"

namespace platform {
class NamedEvent;
class NamedMutex;
} // namespace platform

// The base name both programs use.
constexpr const char* kIpcBaseName = "Global\\PNS_ipc";
// How long a client waits for the answer.
constexpr std::uint32_t kIpcAnswerTimeoutMs = 2000;

class IPC : public ShareMem {
public:
    explicit IPC(const std::string& baseName = kIpcBaseName);
    ~IPC() override;

    // The object names formed from the base.
    const std::string& WorkName() const { return workName_; }
    const std::string& RequestName() const { return reqName_; }
    const std::string& AnswerName() const { return answName_; }
    const std::string& MemName() const { return memName_; }
    const std::string& MsgName() const { return msgName_; }

    // Server side. Creates the events, the server-alive mutex (owned by the calling thread
    // until Close) and the block of maxPayload + 20 bytes. False, and closed, on failure, also
    // when another server holds the channel.
    bool Create(std::uint32_t maxPayload);
    // Payload size 0, both positions 0.
    void SetPointers();
    // The event the server waits on for requests; null when closed.
    platform::NamedEvent* RequestEvent() const { return request_.get(); }
    // Serves the request that is in the block: runs the table's entry for its code and
    // answers.
    void Dispatch(std::span<const IpcCommand> table, VoiceServerHandlers& handlers);
    // Writes the header into the block and signals the answer.
    void SendAnswer(const IpcHeader& header);
    // Closes everything the object holds (both sides). Safe to call twice.
    void Close() override;

    // Client side. Opens the objects of a running server.
    bool Open();
    // Starts a request: payload size 0, both positions 0.
    void BeginRequest();
    // Sends the request in the block with the code and waits at most kIpcAnswerTimeoutMs for
    // the answer. False when no answer came, the server ended, or the answer in the block is
    // not the answer to this request. On success the read position is 0.
    bool SendMessageW(std::uint32_t code);

    // Payload access (both sides).
    bool WriteData(const void* source, std::size_t n) { return payload_.WriteData(source, n); }
    std::size_t ReadData(void* destination, std::size_t n) {
        return payload_.ReadData(destination, n);
    }
    bool WriteString(std::string_view text) { return payload_.WriteString(text); }
    std::string ReadString() { return payload_.ReadString(); }
    bool WriteU8(std::uint8_t value) { return payload_.WriteU8(value); }
    bool WriteI32(std::int32_t value) { return payload_.WriteI32(value); }
    bool WriteU32(std::uint32_t value) { return payload_.WriteU32(value); }
    std::uint8_t ReadU8() { return payload_.ReadU8(); }
    std::int32_t ReadI32() { return payload_.ReadI32(); }
    std::uint32_t ReadU32() { return payload_.ReadU32(); }
    IpcPayload& Payload() { return payload_; }

private:
    std::string workName_;
    std::string reqName_;
    std::string answName_;
    std::string memName_;
    std::string msgName_;

    std::unique_ptr<platform::NamedEvent> request_;
    std::unique_ptr<platform::NamedEvent> answer_;
    std::unique_ptr<platform::NamedMutex> alive_;
    bool ownsAlive_ = false;
    IpcPayload payload_;
};
