// An INI document in memory, read and changed with the rules of the classic profile functions:
//
// - Section and key names compare without regard to (ASCII) case.
// - The first occurrence of a section, and of a key inside it, wins; later duplicates are kept in
//   the file but never read or changed.
// - A key line is "name=value"; name and value are trimmed of surrounding blanks and one pair of
//   double quotes around the value is removed. Lines that begin with ';' are comments. Lines
//   before the first section header and lines that are neither header nor key are kept as they
//   stand.
// - A line ends with CR LF, LF or a lone CR; each line keeps its own line end.
// - A write replaces the value of the key in place, or appends the key after the last key line of
//   its section, or appends a new section at the end of the document. Added lines end like the
//   first line of the file (LF in a file without line ends).
// - Every line a write does not change (comments, unknown sections and keys, duplicates, order,
//   line ends, a UTF-8 byte order mark) is written back byte for byte; a document that is not
//   changed is written back exactly as it was read.
//
// The document never fails on any input; it has no platform dependencies.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class IniDocument {
public:
    // An empty document whose lines will end with LF.
    IniDocument();

    // Reads a document from the bytes of a file, with or without a UTF-8 byte order mark.
    static IniDocument Parse(std::string_view text);

    // The document as file bytes.
    std::string Serialize() const;

    // The value of a key, or nothing when the section or the key is missing.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // The value of a key, or the default when the section or the key is missing (a key that is
    // present with an empty value gives the empty text).
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    bool HasSection(std::string_view section) const;

    // The section names (first occurrences, as spelled in the file), in file order.
    std::vector<std::string> SectionNames() const;

    // The key names of a section (first occurrences, as spelled in the file), in file order.
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Sets a key's value. Returns false, and changes nothing, when a name or the value cannot be
    // stored in an INI line: an empty name, a line break anywhere, blanks around a name, ']' in
    // a section name, '=' in a key name or a key name beginning with ';' or '['. A value with
    // blanks or double quotes at its ends is written inside double quotes so that it reads back
    // as it was given. A key that already reads back as the value keeps its line as it stands.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // Removes the key's line. Returns whether the key was there.
    bool DeleteKey(std::string_view section, std::string_view key);

    // Removes the first matching section: its header and every line up to the next header.
    // Returns whether the section was there.
    bool DeleteSection(std::string_view section);

    // Leaves in the first matching section only the first line of each key named in keep: every
    // other key line goes, duplicates included. Lines that are not keys stay. Returns whether the
    // section was there.
    bool KeepOnlyKeys(std::string_view section, const std::vector<std::string>& keep);

    // Whether added lines end with CR LF.
    bool UsesCrlf() const { return eol_ == "\r\n"; }

    static bool IsValidSectionName(std::string_view name);
    static bool IsValidKeyName(std::string_view name);
    static bool IsValidValue(std::string_view value);

private:
    struct Line {
        std::string text;
        std::string eol; // "\r\n", "\n", "\r", or empty for a last line without a line end
    };
    struct Section {
        Line header; // the header line as read; unused for the lines before any header
        std::string lowerName;
        std::vector<Line> lines;
        // Lower-case key name -> index in lines of its first occurrence.
        std::unordered_map<std::string, size_t> keys;
        size_t keyEnd = 0; // index after the last key line (duplicates included)
    };

    static void IndexKeys(Section& section);
    void IndexSections();
    // Before a line is added after it: gives a line without line end (the file's last line)
    // the line end of added lines.
    void EndLine(Line& line) const;
    void EndLastLine();
    Section* Find(std::string_view section);
    const Section* Find(std::string_view section) const;

    // sections_[0] holds the lines before the first header and is never found by name.
    std::vector<Section> sections_;
    // Lower-case section name -> index in sections_ of its first occurrence.
    std::unordered_map<std::string, size_t> index_;
    std::string eol_ = "\n"; // the line end of added lines
    bool bom_ = false;
};

// The text cut to at most maxChars UTF-8 characters, never inside a character. Bytes that are
// not valid UTF-8 count as one character each.
std::string CutUtf8Chars(std::string_view text, size_t maxChars);
