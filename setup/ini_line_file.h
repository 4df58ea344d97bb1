// A text file of INI lines held as an ordered list of entries, changed key by key and written
// back with every other line exactly as it was read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class IniLineFile {
public:
    // The key of an entry that holds a line without "=" (a section header, a comment, an empty
    // line); its value is the whole line with its line break.
    static constexpr const char* kNoValueKey = "## line without value ##";

    struct Entry {
        std::string key;
        std::string value;
        bool noValue = false; // a line without "=", kept as it stands
    };

    // Clears the list and reads the file at path. Returns 0, or an errno value (ENOENT when the
    // file is missing); the list is then empty.
    int Load(const std::string& path);

    // Clears the list and reads the lines of text: a line with "=" becomes (text before the first
    // "=", text after it without the line break); any other line becomes a no-value entry. The
    // lines are taken whole, however long.
    void Parse(std::string_view text);

    // Gives the first entry whose key equals key exactly (case and length) the new value. When
    // there is none, adds the entry at the end of the first section named section (after its
    // last key line; names compare without regard to case), or, when the file has no such
    // section, appends the section's header and the entry to the end of the file. Returns false,
    // and changes nothing, when key or value cannot be stored in a line: an empty key, "=" in
    // the key, or a line break in either.
    bool Set(const std::string& key, const std::string& value, std::string_view section);

    // The file's text: no-value entries as they were read, the others as key, "=", value and
    // a line break (CR LF when the file's first line ended so, else LF). A line that had no
    // line break (the last one of the file) gets one when entries follow it now.
    std::string Text() const;

    // Replaces the file at path with Text() in one crash-safe write. Returns 0 or an errno value.
    int Save(const std::string& path) const;

    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    std::string lineBreak_ = "\n";
};
