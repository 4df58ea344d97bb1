// Reading the chunks of a RIFF file. A chunk is a four-character id, a 32-bit little-endian
// content size and that many content bytes, followed by one pad byte when the size is odd. A
// "RIFF" chunk begins its content with a four-character form type, followed by its sub-chunks.
// Every search and read stays inside the bytes the file really holds, whatever a size field
// claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

inline std::uint16_t ReadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline void WriteLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void WriteLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One chunk found in a file.
struct RiffChunk {
    std::uint64_t contentOffset = 0; // file offset of the first content byte
    std::uint32_t declaredSize = 0;  // content size as the header states it
    std::uint64_t availableSize = 0; // content bytes that lie inside the enclosing range
    // Offset of the next chunk: behind the declared content and its pad byte.
    std::uint64_t End() const { return contentOffset + declaredSize + (declaredSize & 1u); }
};

// A regular file opened for reading at arbitrary offsets.
class RiffFile {
public:
    RiffFile() = default;
    ~RiffFile();
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens a regular file. Returns 0, or an errno value (EISDIR or EINVAL for something that
    // is not a regular file).
    int Open(const std::string& path);
    void Close();

    std::uint64_t Size() const { return size_; }

    // Reads exactly n bytes at offset. Returns 0; EIO-like errno values when the system read
    // failed; ENODATA when the file ended before n bytes.
    int ReadAt(std::uint64_t offset, void* buffer, std::size_t n);

    // The first chunk with the given id among the chunks that start at `from` and lie before
    // `end` (clamped to the file size). With formType, only "RIFF"-like chunks whose content
    // begins with that form type match. A chunk header that does not fit before `end` ends
    // the search. Returns the chunk, or nothing; error receives 0, or the errno value of a
    // failed system read.
    std::optional<RiffChunk> FindChunk(std::uint64_t from, std::uint64_t end, const char* id,
                                       const char* formType, int& error);

private:
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};
