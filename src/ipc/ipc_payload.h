// The layout of the command channel's block and the encoding of its payload. Works on any
// byte span, so the same code reads and writes the shared block and a plain buffer.
//
// Block layout:
//   0   16 bytes  message header (IpcHeader)
//   16  4 bytes   payload size in bytes, 32-bit little-endian
//   20  ...       payload: fields without gaps; integers little-endian, bytes as they are,
//                 texts as UTF-16LE code units with a terminating zero
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

constexpr std::size_t kIpcHeaderSize = 16;
constexpr std::size_t kIpcPayloadSizeOffset = 16;
constexpr std::size_t kIpcPayloadOffset = 20;
// The largest payload the voice server offers.
constexpr std::uint32_t kIpcMaxPayload = 102400;

// The 16-byte message header. The server answers with the header it read, with the answered
// and handled flags changed, so every other byte is kept as it came.
class IpcHeader {
public:
    static constexpr std::size_t kAnsweredOffset = 0;
    static constexpr std::size_t kProcessIdOffset = 4;
    static constexpr std::size_t kHandledOffset = 9;
    static constexpr std::size_t kCodeOffset = 12;

    // A request: the first 32 bits zero, the client's process id, no flags, the code.
    static IpcHeader Request(std::uint32_t processId, std::uint32_t code);

    bool Answered() const { return bytes_[kAnsweredOffset] != 0; }
    bool Handled() const { return bytes_[kHandledOffset] != 0; }
    std::uint32_t ProcessId() const;
    std::uint32_t Code() const;
    void SetAnswered(bool answered) { bytes_[kAnsweredOffset] = answered ? 1 : 0; }
    void SetHandled(bool handled) { bytes_[kHandledOffset] = handled ? 1 : 0; }

    // True when this is the answer to the request: answered, same process and code.
    bool Answers(const IpcHeader& request) const;

    std::array<std::uint8_t, kIpcHeaderSize>& Bytes() { return bytes_; }
    const std::array<std::uint8_t, kIpcHeaderSize>& Bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, kIpcHeaderSize> bytes_{};
};

// Reads and writes the header and the payload of one channel block. The payload size lives in
// the block (both sides change it); the read and write positions belong to this object. Every
// length is bounded by the block: reads stop at the payload size, a stored size beyond the
// block counts as the largest payload the block holds, and writes beyond it are refused.
class IpcPayload {
public:
    IpcPayload() = default;
    explicit IpcPayload(std::span<std::uint8_t> block) { Attach(block); }

    // Uses block (the whole channel block) from now on; positions 0. False, and detached,
    // when the block cannot hold the header and the payload size.
    bool Attach(std::span<std::uint8_t> block);
    void Detach();
    bool Attached() const { return !block_.empty(); }

    // The largest payload the block holds.
    std::uint32_t MaxPayload() const { return maxPayload_; }

    IpcHeader ReadHeader() const;
    void WriteHeader(const IpcHeader& header);

    // The payload size, never more than MaxPayload.
    std::uint32_t Size() const;
    void SetSize(std::uint32_t size);
    // Payload size 0 and both positions 0: a new request.
    void Clear();
    // Both positions 0; the payload size stays.
    void Rewind();

    std::size_t ReadPosition() const { return readPos_; }
    std::size_t WritePosition() const { return writePos_; }

    // Writes n bytes at the write position and moves it on; the payload size becomes at least
    // the write position. False, and nothing written, when the bytes do not fit the payload.
    bool WriteData(const void* source, std::size_t n);
    // Copies at most n bytes from the read position, never past the payload size; returns the
    // number copied and moves the read position on by it.
    std::size_t ReadData(void* destination, std::size_t n);

    // The text (UTF-8) as UTF-16LE with a terminating zero.
    bool WriteString(std::string_view text);
    // The text at the read position up to its terminating zero, or up to the end of the
    // payload when it has none. The read position moves past the zero.
    std::string ReadString();

    bool WriteU8(std::uint8_t value) { return WriteData(&value, 1); }
    bool WriteI32(std::int32_t value) { return WriteU32(static_cast<std::uint32_t>(value)); }
    bool WriteU32(std::uint32_t value);
    // Missing bytes at the end of the payload read as zero.
    std::uint8_t ReadU8();
    std::int32_t ReadI32() { return static_cast<std::int32_t>(ReadU32()); }
    std::uint32_t ReadU32();

private:
    std::uint8_t* Payload() const { return block_.data() + kIpcPayloadOffset; }

    std::span<std::uint8_t> block_;
    std::uint32_t maxPayload_ = 0;
    std::size_t readPos_ = 0;
    std::size_t writePos_ = 0;
};
