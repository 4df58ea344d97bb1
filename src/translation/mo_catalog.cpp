#include "mo_catalog.h"

#include <algorithm>
#include <cstdint>

namespace glosso {

namespace {

constexpr std::uint32_t kMagic = 0x950412de;
constexpr std::uint32_t kMagicSwapped = 0xde120495;
constexpr std::size_t kHeaderBytes = 28;
constexpr std::uint64_t kTableEntryBytes = 8; // length, offset
constexpr std::uint64_t kHashSlotBytes = 4;

class MoReader {
public:
    MoReader(const unsigned char* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    // Callers only ask for words that lie inside the file.
    std::uint32_t Word(std::uint64_t offset) const {
        const unsigned char* p = data_ + offset;
        if (bigEndian_)
            return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 |
                   std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
        return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 |
               std::uint32_t(p[0]);
    }

    bool Fits(std::uint64_t offset, std::uint64_t bytes) const {
        return offset <= size_ && bytes <= size_ - offset;
    }

    // The string described by the table entry at entryOffset (which lies inside the file).
    MoError String(std::uint64_t entryOffset, std::string_view& out) const {
        std::uint64_t length = Word(entryOffset);
        std::uint64_t offset = Word(entryOffset + 4);
        // The terminating zero must lie inside the file too.
        if (!Fits(offset, length + 1))
            return MoError::StringOutOfRange;
        if (data_[offset + length] != 0)
            return MoError::StringNotTerminated;
        out = std::string_view(reinterpret_cast<const char*>(data_ + offset), length);
        return MoError::None;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    bool bigEndian_;
};

// Entries the lookup by plain English text can never match or must not return.
bool IsUsable(std::string_view original, std::string_view translation) {
    if (original.empty() || translation.empty())
        return false;
    // A plural entry holds "singular\0plural"; a context entry "context\x04text".
    return original.find('\0') == std::string_view::npos &&
           original.find('\x04') == std::string_view::npos;
}

} // namespace

MoParseResult ParseMoCatalog(const unsigned char* data, std::size_t size) {
    MoParseResult result;
    if (data == nullptr || size < kHeaderBytes) {
        result.error = MoError::TooShort;
        return result;
    }
    std::uint32_t magic = MoReader(data, size, false).Word(0);
    if (magic != kMagic && magic != kMagicSwapped) {
        result.error = MoError::BadMagic;
        return result;
    }
    MoReader reader(data, size, magic == kMagicSwapped);
    if ((reader.Word(4) >> 16) > 1) {
        result.error = MoError::UnknownRevision;
        return result;
    }
    std::uint64_t count = reader.Word(8);
    std::uint64_t originals = reader.Word(12);
    std::uint64_t translations = reader.Word(16);
    std::uint64_t hashSize = reader.Word(20);
    std::uint64_t hashOffset = reader.Word(24);
    if (!reader.Fits(originals, count * kTableEntryBytes) ||
        !reader.Fits(translations, count * kTableEntryBytes) ||
        (hashSize != 0 && !reader.Fits(hashOffset, hashSize * kHashSlotBytes))) {
        result.error = MoError::TableOutOfRange;
        return result;
    }

    // Bounds the bytes the checks below read, whatever the entries share.
    const std::uint64_t maxStringBytes = std::uint64_t(kMaxStringBytesPerFileByte) * size;
    std::uint64_t stringBytes = 0;
    std::vector<MoEntry> entries;
    entries.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string_view original, translation;
        MoError error = reader.String(originals + i * kTableEntryBytes, original);
        if (error == MoError::None)
            error = reader.String(translations + i * kTableEntryBytes, translation);
        if (error != MoError::None) {
            result.error = error;
            return result;
        }
        stringBytes += original.size() + translation.size();
        if (stringBytes > maxStringBytes) {
            result.error = MoError::StringsTooLong;
            return result;
        }
        // A zero inside a plain translation ends it, as it would for any C caller.
        translation = translation.substr(0, translation.find('\0'));
        if (IsUsable(original, translation))
            entries.push_back({original, translation});
    }
    result.entries = std::move(entries);
    return result;
}

MoCatalog::MoCatalog(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    MoParseResult parsed = ParseMoCatalog(bytes_.data(), bytes_.size());
    error_ = parsed.error;
    if (error_ != MoError::None) {
        bytes_ = std::vector<unsigned char>(); // releases the memory, unlike clear()
        return;
    }
    entries_ = std::move(parsed.entries);
    // msgfmt writes the originals sorted; sorting here as well keeps the binary search right
    // for catalogs from other writers. Stable, so that the first duplicate stays first.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const MoEntry& a, const MoEntry& b) { return a.original < b.original; });
}

std::optional<std::string_view> MoCatalog::Find(std::string_view original) const {
    auto it = std::lower_bound(
        entries_.begin(), entries_.end(), original,
        [](const MoEntry& entry, std::string_view text) { return entry.original < text; });
    if (it == entries_.end() || it->original != original)
        return std::nullopt;
    return it->translation;
}

} // namespace glosso
