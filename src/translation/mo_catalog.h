// Reading gettext message catalogs (.mo), the language files of the translation library.
// Portable: bytes in, entries or an error out; no file access here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace glosso {

// One usable entry: an English text and its translation (never empty).
struct MoEntry {
    std::string original;
    std::string translation;
};

enum class MoError {
    None,
    TooShort,            // smaller than the 28-byte header
    BadMagic,            // neither byte order of 0x950412de
    UnknownRevision,     // major format revision above 1
    TableOutOfRange,     // a string or hash table reaches past the end of the file
    StringOutOfRange,    // a string reaches past the end of the file
    StringNotTerminated, // a string is not followed by a zero byte
};

struct MoParseResult {
    MoError error = MoError::None;
    std::vector<MoEntry> entries; // filled only when error == None
};

// Parses a whole catalog. Every offset and length is checked against size; any entry that
// points outside the file makes the whole catalog invalid. The header entry (empty original),
// entries with a context, plural entries and entries with an empty translation are left out.
MoParseResult ParseMoCatalog(const unsigned char* data, std::size_t size);

// The entries of one catalog, searchable by exact English text.
class MoCatalog {
public:
    explicit MoCatalog(std::vector<MoEntry> entries);

    // The translation of original, or nullptr when the catalog has none. When the catalog
    // holds the same original twice, the first one in file order wins.
    const std::string* Find(std::string_view original) const;

    std::size_t Size() const { return entries_.size(); }

private:
    std::vector<MoEntry> entries_; // sorted by original
};

} // namespace glosso
