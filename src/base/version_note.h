// The version strings of a program file: an ELF note of the packaging-metadata convention
// (section ".note.package", owner "FDO", type 0xcafe1a7e) whose descriptor is a zero-terminated
// JSON object with one string per name ("FileVersion", "ProductVersion", "CompanyName", ...).
//
// Everything here works on untrusted bytes (an installer's file, a damaged file): every offset
// and length read from the file is checked against the file before it is used. The module uses
// only the standard library, so that the setup finalizer can compile it without the rest of the
// common runtime.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace versionnote {

constexpr uint32_t kPackageNoteType = 0xcafe1a7e;
// A descriptor longer than this is not taken for version strings (ours are a few hundred bytes).
constexpr size_t kMaxDescriptorBytes = 64 * 1024;

// Random access to the bytes of a file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly size bytes at offset. False when they are not all inside the file or the
    // read failed.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) const = 0;
};

// Bytes in memory; the caller keeps them alive.
class MemoryByteSource : public ByteSource {
public:
    explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const override;

private:
    std::string_view bytes_;
};

enum class NoteSearch {
    kFound,
    kNotElf,    // not a little-endian 32- or 64-bit ELF file
    kNoNote,    // an ELF file without a usable package note
    kReadError, // the source failed to deliver bytes that lie inside the file
};

// Looks for the first package note in the note sections, then in the note segments (a file
// without section headers still has those). On kFound, json holds the descriptor up to its
// terminating zero; otherwise json is empty.
NoteSearch FindPackageNote(const ByteSource& file, std::string& json);

// The strings of a note, in the order of the object.
using StringTable = std::vector<std::pair<std::string, std::string>>;

// Reads a JSON object whose values are all strings: {"name":"value",...}. Strict: blanks only
// where JSON allows them, the escapes of JSON (\u with surrogate pairs included), valid UTF-8,
// no control characters, no NUL (\u0000), no name twice, nothing after the object. Returns
// false on anything else; strings is then empty.
bool ParseStringObject(std::string_view json, StringTable& strings);

// The value of name (compared exactly), or nullptr.
const std::string* FindString(const StringTable& strings, std::string_view name);

// Reads the version strings of the file at path. Returns 0, or an errno value: ENOENT (or
// ENOTDIR) when the path does not exist, EISDIR for a folder, the error of opening the file,
// EIO when reading failed, ENOEXEC when the file is not an ELF file, ENODATA when it has no
// package note or the note is not a valid object of strings. strings is empty on failure.
int ReadVersionStrings(const std::string& path, StringTable& strings);

} // namespace versionnote
