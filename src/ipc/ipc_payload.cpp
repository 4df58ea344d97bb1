#include "ipc/ipc_payload.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/mlog.h"
#include "text/utf.h"

namespace {

std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace

IpcHeader IpcHeader::Request(std::uint32_t processId, std::uint32_t code) {
    IpcHeader header;
    StoreLe32(header.bytes_.data() + kProcessIdOffset, processId);
    StoreLe32(header.bytes_.data() + kCodeOffset, code);
    return header;
}

std::uint32_t IpcHeader::ProcessId() const {
    return LoadLe32(bytes_.data() + kProcessIdOffset);
}

std::uint32_t IpcHeader::Code() const {
    return LoadLe32(bytes_.data() + kCodeOffset);
}

bool IpcHeader::Answers(const IpcHeader& request) const {
    return Answered() && ProcessId() == request.ProcessId() && Code() == request.Code();
}

bool IpcPayload::Attach(std::span<std::uint8_t> block) {
    Detach();
    if (block.size() < kIpcPayloadOffset)
        return false;
    block_ = block;
    maxPayload_ = static_cast<std::uint32_t>(std::min<std::size_t>(
        block.size() - kIpcPayloadOffset, std::numeric_limits<std::uint32_t>::max()));
    return true;
}

void IpcPayload::Detach() {
    block_ = {};
    maxPayload_ = 0;
    readPos_ = 0;
    writePos_ = 0;
}

IpcHeader IpcPayload::ReadHeader() const {
    IpcHeader header;
    if (Attached())
        std::memcpy(header.Bytes().data(), block_.data(), kIpcHeaderSize);
    return header;
}

void IpcPayload::WriteHeader(const IpcHeader& header) {
    if (Attached())
        std::memcpy(block_.data(), header.Bytes().data(), kIpcHeaderSize);
}

std::uint32_t IpcPayload::Size() const {
    if (!Attached())
        return 0;
    return std::min(LoadLe32(block_.data() + kIpcPayloadSizeOffset), maxPayload_);
}

void IpcPayload::SetSize(std::uint32_t size) {
    if (Attached())
        StoreLe32(block_.data() + kIpcPayloadSizeOffset, std::min(size, maxPayload_));
}

void IpcPayload::Clear() {
    SetSize(0);
    Rewind();
}

void IpcPayload::Rewind() {
    readPos_ = 0;
    writePos_ = 0;
}

bool IpcPayload::WriteData(const void* source, std::size_t n) {
    if (!Attached())
        return false;
    if (writePos_ > maxPayload_ || n > maxPayload_ - writePos_) {
        LogError("IPC::WriteData(): %zu bytes do not fit behind byte %zu of a %u byte payload.", n,
                 writePos_, maxPayload_);
        return false;
    }
    if (n > 0)
        std::memcpy(Payload() + writePos_, source, n);
    writePos_ += n;
    if (writePos_ > Size())
        SetSize(static_cast<std::uint32_t>(writePos_));
    return true;
}

std::size_t IpcPayload::ReadData(void* destination, std::size_t n) {
    std::size_t size = Size();
    if (readPos_ >= size)
        return 0;
    std::size_t count = std::min(n, size - readPos_);
    if (count > 0)
        std::memcpy(destination, Payload() + readPos_, count);
    readPos_ += count;
    return count;
}

bool IpcPayload::WriteString(std::string_view text) {
    std::u16string units = Utf8ToUtf16(text);
    units.push_back(u'\0');
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return WriteData(bytes.data(), bytes.size());
}

std::string IpcPayload::ReadString() {
    std::size_t size = Size();
    if (readPos_ >= size)
        return {};
    const std::uint8_t* p = Payload() + readPos_;
    std::size_t rest = size - readPos_;
    std::u16string units;
    std::size_t i = 0;
    for (; i + 2 <= rest; i += 2) {
        char16_t u = static_cast<char16_t>(p[i] | p[i + 1] << 8);
        if (u == 0)
            break;
        units.push_back(u);
    }
    // Past the terminating zero, or to the end of the payload when there is none.
    readPos_ += std::min(i + 2, rest);
    return Utf16ToUtf8(units);
}

bool IpcPayload::WriteU32(std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreLe32(bytes, value);
    return WriteData(bytes, sizeof bytes);
}

std::uint8_t IpcPayload::ReadU8() {
    std::uint8_t value = 0;
    ReadData(&value, 1);
    return value;
}

std::uint32_t IpcPayload::ReadU32() {
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    ReadData(bytes, sizeof bytes);
    return LoadLe32(bytes);
}
