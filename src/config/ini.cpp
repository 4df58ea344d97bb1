#include "config/ini.h"

#include <unordered_set>

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool HasOuterBlanks(std::string_view s) {
    return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

// What one line of the file is.
struct LineInfo {
    enum Kind { Other, Header, Key } kind = Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed and unquoted
};

LineInfo Classify(std::string_view line) {
    LineInfo info;
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';')
        return info;
    if (t.front() == '[') {
        size_t close = t.find(']');
        if (close != std::string_view::npos) {
            info.kind = LineInfo::Header;
            info.name = Trim(t.substr(1, close - 1));
        }
        return info;
    }
    size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return info;
    std::string_view name = Trim(t.substr(0, eq));
    if (name.empty())
        return info;
    std::string_view value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    info.kind = LineInfo::Key;
    info.name = name;
    info.value = value;
    return info;
}

// The value as it must stand in the file to read back unchanged.
std::string EncodeValue(std::string_view value) {
    bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (HasOuterBlanks(value) || quoted)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

} // namespace

IniDocument::IniDocument() {
    sections_.emplace_back();
}

bool IniDocument::IsValidSectionName(std::string_view name) {
    return !name.empty() && !HasLineBreak(name) && !HasOuterBlanks(name) &&
           name.find(']') == std::string_view::npos;
}

bool IniDocument::IsValidKeyName(std::string_view name) {
    return !name.empty() && !HasLineBreak(name) && !HasOuterBlanks(name) &&
           name.find('=') == std::string_view::npos && name.front() != ';' && name.front() != '[';
}

bool IniDocument::IsValidValue(std::string_view value) {
    return !HasLineBreak(value);
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.substr(0, kBom.size()) == kBom) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    bool sawLineEnd = false;
    while (!text.empty()) {
        Line line;
        size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            line.text = std::string(text);
            text = {};
        } else {
            size_t eolSize = text.substr(end, 2) == "\r\n" ? 2 : 1;
            line.text = std::string(text.substr(0, end));
            line.eol = std::string(text.substr(end, eolSize));
            text.remove_prefix(end + eolSize);
            if (!sawLineEnd)
                doc.eol_ = line.eol;
            sawLineEnd = true;
        }

        LineInfo info = Classify(line.text);
        if (info.kind == LineInfo::Header) {
            Section section;
            section.lowerName = Lower(info.name);
            section.header = std::move(line);
            doc.sections_.push_back(std::move(section));
        } else {
            doc.sections_.back().lines.push_back(std::move(line));
        }
    }
    for (Section& section : doc.sections_)
        IndexKeys(section);
    doc.IndexSections();
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out;
    if (bom_)
        out += kBom;
    auto emit = [&out](const Line& line) {
        out += line.text;
        out += line.eol;
    };
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (i > 0)
            emit(sections_[i].header);
        for (const Line& line : sections_[i].lines)
            emit(line);
    }
    return out;
}

void IniDocument::IndexKeys(Section& section) {
    section.keys.clear();
    section.keyEnd = 0;
    for (size_t i = 0; i < section.lines.size(); ++i) {
        LineInfo info = Classify(section.lines[i].text);
        if (info.kind == LineInfo::Key) {
            section.keys.emplace(Lower(info.name), i);
            section.keyEnd = i + 1;
        }
    }
}

void IniDocument::IndexSections() {
    index_.clear();
    for (size_t i = 1; i < sections_.size(); ++i)
        index_.emplace(sections_[i].lowerName, i);
}

void IniDocument::EndLine(Line& line) const {
    if (line.eol.empty())
        line.eol = eol_;
}

void IniDocument::EndLastLine() {
    for (size_t i = sections_.size(); i-- > 0;) {
        Section& s = sections_[i];
        if (!s.lines.empty()) {
            EndLine(s.lines.back());
            return;
        }
        if (i > 0) {
            EndLine(s.header);
            return;
        }
    }
}

IniDocument::Section* IniDocument::Find(std::string_view section) {
    auto it = index_.find(Lower(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

const IniDocument::Section* IniDocument::Find(std::string_view section) const {
    auto it = index_.find(Lower(section));
    return it == index_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    const Section* s = Find(section);
    if (!s)
        return std::nullopt;
    auto it = s->keys.find(Lower(key));
    if (it == s->keys.end())
        return std::nullopt;
    return std::string(Classify(s->lines[it->second].text).value);
}

std::string IniDocument::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    std::optional<std::string> value = Get(section, key);
    return value ? *value : std::string(defaultValue);
}

bool IniDocument::HasSection(std::string_view section) const {
    return Find(section) != nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (size_t i = 1; i < sections_.size(); ++i) {
        if (index_.at(sections_[i].lowerName) == i)
            names.emplace_back(Classify(sections_[i].header.text).name);
    }
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    const Section* s = Find(section);
    if (!s)
        return names;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        LineInfo info = Classify(s->lines[i].text);
        if (info.kind != LineInfo::Key)
            continue;
        auto it = s->keys.find(Lower(info.name));
        if (it != s->keys.end() && it->second == i)
            names.emplace_back(info.name);
    }
    return names;
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key) || !IsValidValue(value))
        return false;
    Section* s = Find(section);
    if (!s) {
        EndLastLine();
        Section added;
        added.header = {"[" + std::string(section) + "]", eol_};
        added.lowerName = Lower(section);
        sections_.push_back(std::move(added));
        index_.emplace(sections_.back().lowerName, sections_.size() - 1);
        s = &sections_.back();
    }
    std::string lowerKey = Lower(key);
    auto it = s->keys.find(lowerKey);
    if (it != s->keys.end()) {
        Line& line = s->lines[it->second];
        LineInfo info = Classify(line.text);
        // Keep the key's spelling as it stands in the file, and the whole line when the value
        // does not change.
        if (info.value != value)
            line.text = std::string(info.name) + "=" + EncodeValue(value);
        return true;
    }
    // After the last key line, or right after the header; only non-key lines follow, so the
    // indices of the keys stay valid.
    size_t at = s->keyEnd;
    EndLine(at > 0 ? s->lines[at - 1] : s->header);
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at),
                    Line{std::string(key) + "=" + EncodeValue(value), eol_});
    s->keys.emplace(std::move(lowerKey), at);
    s->keyEnd = at + 1;
    return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = Find(section);
    if (!s)
        return false;
    auto it = s->keys.find(Lower(key));
    if (it == s->keys.end())
        return false;
    s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
    IndexKeys(*s);
    return true;
}

bool IniDocument::DeleteSection(std::string_view section) {
    auto it = index_.find(Lower(section));
    if (it == index_.end())
        return false;
    sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
    IndexSections();
    return true;
}

bool IniDocument::KeepOnlyKeys(std::string_view section, const std::vector<std::string>& keep) {
    Section* s = Find(section);
    if (!s)
        return false;
    std::unordered_set<std::string> wanted;
    for (const std::string& key : keep)
        wanted.insert(Lower(key));
    std::vector<Line> kept;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        LineInfo info = Classify(s->lines[i].text);
        if (info.kind == LineInfo::Key) {
            std::string lowerKey = Lower(info.name);
            if (s->keys.at(lowerKey) != i || !wanted.contains(lowerKey))
                continue;
        }
        kept.push_back(std::move(s->lines[i]));
    }
    s->lines = std::move(kept);
    IndexKeys(*s);
    return true;
}

std::string CutUtf8Chars(std::string_view text, size_t maxChars) {
    size_t chars = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[pos]);
        size_t len = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 1;
        // A sequence cut short or with a bad continuation byte counts byte by byte.
        if (pos + len > text.size())
            len = 1;
        for (size_t i = 1; i < len; ++i) {
            if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) {
                len = 1;
                break;
            }
        }
        if (chars == maxChars)
            return std::string(text.substr(0, pos));
        ++chars;
        pos += len;
    }
    return std::string(text);
}
