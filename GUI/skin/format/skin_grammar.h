// The grammar of a skin file: a text of lines, each trimmed of white space at both
// ends before it is looked at; sections that begin with a header line starting with the
// section's name ("[ERadio1]", anything after the name ignored); attribute lines "key = value"
// directly after the header, split at the first "=", key and value trimmed. The first line
// after the header that holds no "=" or starts with "[" ends the section's attributes (an
// empty line, a comment, the next header). Names and keys compare exactly, letter case
// included. An optional identification line comes first: any "key = value" line.
//
// SkinText works on the bytes of the whole file in memory (the file is read once when it is
// opened); it never looks outside them, whatever they hold.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text without white space (blank, tab, line ends, vertical tab, form feed) at both ends.
std::string_view TrimSkinText(std::string_view text);

// Splits one trimmed line as an attribute line: false when it starts with "[" or holds no "=";
// else key and value are the trimmed text before and after the first "=".
bool SplitSkinAttribute(std::string_view line, std::string& key, std::string& value);

class SkinText {
public:
    SkinText() = default;
    explicit SkinText(std::string content) { Assign(std::move(content)); }

    // Replaces the text and goes back to its start, outside any section.
    void Assign(std::string content);
    void Clear() { Assign(std::string()); }
    bool Empty() const { return content_.empty(); }

    // The value of the first line when that line is an attribute line, else empty.
    std::string IdentificationValue() const;

    // Goes back to the start and reads lines until a trimmed line starts with name; true when
    // found (the attributes that follow can then be walked), false at the end of the text or
    // for an empty name.
    bool FindSection(std::string_view name);
    // Reads the next line of the section: true with Key() and Value() set when it is an
    // attribute line; false when the section's attributes are over (Key() and Value() are then
    // empty), and false again at every later call until the next FindSection. False as well
    // when no section was found.
    bool NextAttribute();
    const std::string& Key() const { return key_; }
    const std::string& Value() const { return value_; }

private:
    // The next line (untrimmed, without its line end) from pos_; false at the end.
    bool ReadLine(std::string_view& line);

    std::string content_;
    std::size_t pos_ = 0;
    bool inSection_ = false;
    std::string key_;
    std::string value_;
};
