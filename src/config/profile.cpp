#include "config/profile.h"

#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips blanks and reads an optional sign; returns whether the number is negative.
bool SkipBlanksAndSign(std::string_view& text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    return negative;
}

} // namespace

std::optional<uint32_t> ScanUnsigned(std::string_view text) {
    bool negative = SkipBlanksAndSign(text);
    if (text.empty() || !IsDigit(text.front()))
        return std::nullopt;
    uint32_t value = 0;
    while (!text.empty() && IsDigit(text.front())) {
        value = value * 10u + static_cast<uint32_t>(text.front() - '0');
        text.remove_prefix(1);
    }
    return negative ? 0u - value : value;
}

std::optional<int32_t> ScanInt(std::string_view text) {
    bool negative = SkipBlanksAndSign(text);
    if (text.empty() || !IsDigit(text.front()))
        return std::nullopt;
    int64_t value = 0;
    const int64_t limit = negative ? -int64_t{INT32_MIN} : int64_t{INT32_MAX};
    while (!text.empty() && IsDigit(text.front())) {
        value = std::min(limit, value * 10 + (text.front() - '0'));
        text.remove_prefix(1);
    }
    return static_cast<int32_t>(negative ? -value : value);
}

std::optional<float> ScanFloat(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    // from_chars takes no '+'; a second sign after it must still fail.
    if (!text.empty() && text.front() == '+' && text.size() > 1 && text[1] != '-')
        text.remove_prefix(1);
    float value = 0.0f;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end == text.data() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FormatUnsigned(uint32_t value) {
    return std::to_string(value);
}

std::string FormatInt(int32_t value) {
    return std::to_string(value);
}

std::string FormatFloat(float value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
    if (ec != std::errc())
        return "0.000000";
    return std::string(buf, end);
}

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {
    int rc = platform::ReadWholeFile(path_, loaded_);
    existed_ = rc == 0;
    readError_ = rc == ENOENT ? 0 : rc;
    error_ = readError_;
    doc_ = IniDocument::Parse(loaded_);
}

std::string ProfileFile::ReadText(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
    return CutUtf8Chars(doc_.GetString(section, key, defaultValue), kProfileBufferChars - 1);
}

bool ProfileFile::WriteText(std::string_view section, std::string_view key,
                            std::string_view value) {
    std::optional<std::string> stored = doc_.Get(section, key);
    if (stored && CutUtf8Chars(*stored, kProfileBufferChars - 1) == value)
        return true;
    return doc_.Set(section, key, value);
}

uint32_t ProfileFile::ReadUnsigned(std::string_view section, std::string_view key,
                                   uint32_t defaultValue) const {
    return ScanUnsigned(ReadText(section, key, {})).value_or(defaultValue);
}

int32_t ProfileFile::ReadInt(std::string_view section, std::string_view key,
                             int32_t defaultValue) const {
    return ScanInt(ReadText(section, key, {})).value_or(defaultValue);
}

float ProfileFile::ReadFloat(std::string_view section, std::string_view key,
                             float defaultValue) const {
    return ScanFloat(ReadText(section, key, {})).value_or(defaultValue);
}

bool ProfileFile::Save() {
    if (readError_ != 0) {
        error_ = readError_;
        return false;
    }
    std::string content = doc_.Serialize();
    if (content == loaded_ && (existed_ || content.empty())) {
        error_ = 0;
        return true;
    }
    error_ = platform::WriteWholeFileAtomic(path_, content);
    if (error_ != 0)
        return false;
    loaded_ = std::move(content);
    existed_ = true;
    return true;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
    return ProfileFile(path).ReadText(section, key, defaultValue);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    ProfileFile file(path);
    return file.WriteText(section, key, value) && file.Save();
}

bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key) {
    ProfileFile file(path);
    file.Doc().DeleteKey(section, key);
    return file.Save();
}

bool DeleteProfileSection(const std::string& path, std::string_view section) {
    ProfileFile file(path);
    file.Doc().DeleteSection(section);
    return file.Save();
}
