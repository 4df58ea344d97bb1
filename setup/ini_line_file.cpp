#include "ini_line_file.h"

#include "wrapup_files.h"

#include <optional>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// The section name of a header line "[name]" (blanks around the brackets and the name allowed,
// anything after the "]" ignored), as the configuration readers see it.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

std::string_view WithoutLineBreak(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

int IniLineFile::Load(const std::string& path) {
    entries_.clear();
    std::string text;
    if (int rc = platform::ReadWholeFile(path, text); rc != 0)
        return rc;
    Parse(text);
    return 0;
}

void IniLineFile::Parse(std::string_view text) {
    entries_.clear();
    const size_t firstBreak = text.find('\n');
    lineBreak_ =
        firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r'
            ? "\r\n"
            : "\n";
    while (!text.empty()) {
        const size_t lineEnd = text.find('\n');
        const size_t length = lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
        const std::string_view line = text.substr(0, length);
        text.remove_prefix(length);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries_.push_back({kNoValueKey, std::string(line), true});
        } else {
            entries_.push_back({std::string(line.substr(0, equals)),
                                std::string(WithoutLineBreak(line.substr(equals + 1))), false});
        }
    }
}

bool IniLineFile::Set(const std::string& key, const std::string& value, std::string_view section) {
    if (key.empty() || key.find('=') != std::string::npos || HasLineBreak(key) ||
        HasLineBreak(value))
        return false;
    for (Entry& entry : entries_) {
        if (!entry.noValue && entry.key == key) {
            entry.value = value;
            return true;
        }
    }

    // Where the section ends: after its last key line, or right after its header.
    std::optional<size_t> insertAt;
    bool inSection = false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.noValue) {
            if (std::optional<std::string_view> name = SectionName(entry.value)) {
                if (inSection)
                    break;
                if (!insertAt && EqualsIgnoreCase(*name, section)) {
                    inSection = true;
                    insertAt = i + 1;
                }
            }
        } else if (inSection) {
            insertAt = i + 1;
        }
    }
    if (!insertAt) {
        entries_.push_back({kNoValueKey, "[" + std::string(section) + "]" + lineBreak_, true});
        insertAt = entries_.size();
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(*insertAt),
                    Entry{key, value, false});
    return true;
}

std::string IniLineFile::Text() const {
    std::string text;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        if (entry.noValue) {
            text += entry.value;
            if (i + 1 < entries_.size() && (entry.value.empty() || entry.value.back() != '\n'))
                text += lineBreak_;
        } else {
            text += entry.key;
            text += '=';
            text += entry.value;
            text += lineBreak_;
        }
    }
    return text;
}

int IniLineFile::Save(const std::string& path) const {
    return platform::WriteWholeFileAtomic(path, Text());
}
