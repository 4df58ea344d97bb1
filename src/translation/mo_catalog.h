// Reading gettext message catalogs (.mo), the language files of the translation library.
// Portable: bytes in, entries or an error out; no file access here.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace glosso {

// One usable entry: an English text and its translation (never empty), both views into the
// catalog's bytes.
struct MoEntry {
    std::string_view original;
    std::string_view translation;
};

enum class MoError {
    None,
    TooShort,            // smaller than the 28-byte header
    BadMagic,            // neither byte order of 0x950412de
    UnknownRevision,     // major format revision above 1
    TableOutOfRange,     // a string or hash table reaches past the end of the file
    StringOutOfRange,    // a string reaches past the end of the file
    StringNotTerminated, // a string is not followed by a zero byte
    StringsTooLong,      // the strings add up to far more than the file holds (shared strings)
};

struct MoParseResult {
    MoError error = MoError::None;
    std::vector<MoEntry> entries; // views into the parsed bytes; filled only when error == None
};

// A writer stores each string once, so the strings of a catalog add up to less than its size;
// entries may share strings, but bounding the total keeps the time spent on them in proportion
// to the file.
constexpr std::size_t kMaxStringBytesPerFileByte = 4;

// Parses a whole catalog. Every offset and length is checked against size; any entry that
// points outside the file makes the whole catalog invalid, and so do entries that share strings
// until their lengths add up to more than kMaxStringBytesPerFileByte times the file size. The
// header entry (empty original), entries with a context, plural entries and entries with an
// empty translation are left out.
MoParseResult ParseMoCatalog(const unsigned char* data, std::size_t size);

// A catalog file in memory, searchable by exact English text. The entries are views into the
// file's own bytes: a catalog holds its file and 32 bytes per entry, each of which takes at
// least 8 bytes of table in the file, so at most five times the file size however its entries
// share strings.
class MoCatalog {
public:
    // Parses a whole catalog file and keeps its bytes; an invalid one is kept empty.
    explicit MoCatalog(std::vector<unsigned char> bytes);
    MoCatalog(const MoCatalog&) = delete;
    MoCatalog& operator=(const MoCatalog&) = delete;

    // Why the file is no valid catalog, or MoError::None.
    MoError Error() const { return error_; }

    // The translation of original, or nothing when the catalog has none. When the catalog
    // holds the same original twice, the first one in file order wins.
    std::optional<std::string_view> Find(std::string_view original) const;

    // The usable entries, sorted by original.
    const std::vector<MoEntry>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }

    // Memory the catalog holds: the file's bytes and the entries.
    std::size_t BytesHeld() const {
        return bytes_.capacity() + entries_.capacity() * sizeof(MoEntry);
    }

private:
    std::vector<unsigned char> bytes_;
    MoError error_ = MoError::None;
    std::vector<MoEntry> entries_; // sorted by original
};

} // namespace glosso
