#include "sound/riff.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::uint64_t kChunkHeaderBytes = 8;
constexpr std::uint64_t kFormTypeBytes = 4;

} // namespace

RiffFile::~RiffFile() {
    Close();
}

int RiffFile::Open(const std::string& path) {
    Close();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec)
        return ec.value() != 0 ? ec.value() : ENOENT;
    if (std::filesystem::is_directory(status))
        return EISDIR;
    if (!std::filesystem::is_regular_file(status))
        return EINVAL;
    errno = 0;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr)
        return errno != 0 ? errno : EACCES;
    if (std::fseek(file_, 0, SEEK_END) != 0) {
        const int error = errno != 0 ? errno : EIO;
        Close();
        return error;
    }
    const long size = std::ftell(file_);
    if (size < 0) {
        const int error = errno != 0 ? errno : EIO;
        Close();
        return error;
    }
    size_ = static_cast<std::uint64_t>(size);
    return 0;
}

void RiffFile::Close() {
    if (file_ != nullptr)
        std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
}

int RiffFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) {
    if (file_ == nullptr)
        return EBADF;
    if (offset > size_ || n > size_ - offset)
        return ENODATA;
    if (n == 0)
        return 0;
    if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0)
        return errno != 0 ? errno : EIO;
    errno = 0;
    if (std::fread(buffer, 1, n, file_) == n)
        return 0;
    // The file may have shrunk since it was opened.
    const int error = std::ferror(file_) ? (errno != 0 ? errno : EIO) : ENODATA;
    std::clearerr(file_);
    return error;
}

std::optional<RiffChunk> RiffFile::FindChunk(std::uint64_t from, std::uint64_t end, const char* id,
                                             const char* formType, int& error) {
    error = 0;
    if (end > size_)
        end = size_;
    std::uint64_t offset = from;
    while (offset <= end && end - offset >= kChunkHeaderBytes) {
        std::uint8_t header[kChunkHeaderBytes];
        error = ReadAt(offset, header, sizeof header);
        if (error != 0) {
            if (error == ENODATA)
                error = 0;
            return std::nullopt;
        }
        RiffChunk chunk;
        chunk.contentOffset = offset + kChunkHeaderBytes;
        chunk.declaredSize = ReadLe32(header + 4);
        chunk.availableSize =
            std::min<std::uint64_t>(chunk.declaredSize, end - chunk.contentOffset);
        if (std::memcmp(header, id, 4) == 0) {
            if (formType == nullptr)
                return chunk;
            std::uint8_t form[kFormTypeBytes];
            if (chunk.availableSize >= kFormTypeBytes) {
                error = ReadAt(chunk.contentOffset, form, sizeof form);
                if (error != 0) {
                    if (error == ENODATA)
                        error = 0;
                    return std::nullopt;
                }
                if (std::memcmp(form, formType, 4) == 0)
                    return chunk;
            }
        }
        offset = chunk.End();
    }
    return std::nullopt;
}
