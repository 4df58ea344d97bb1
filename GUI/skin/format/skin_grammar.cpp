#include "skin/format/skin_grammar.h"

#include <utility>

namespace {

bool IsSkinSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string_view TrimSkinText(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSkinSpace(text[begin]))
        ++begin;
    while (end > begin && IsSkinSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

bool SplitSkinAttribute(std::string_view line, std::string& key, std::string& value) {
    line = TrimSkinText(line);
    if (!line.empty() && line.front() == '[')
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    key.assign(TrimSkinText(line.substr(0, equals)));
    value.assign(TrimSkinText(line.substr(equals + 1)));
    return true;
}

void SkinText::Assign(std::string content) {
    content_ = std::move(content);
    pos_ = 0;
    inSection_ = false;
    key_.clear();
    value_.clear();
}

bool SkinText::ReadLine(std::string_view& line) {
    if (pos_ >= content_.size())
        return false;
    const std::string_view rest = std::string_view(content_).substr(pos_);
    const std::size_t end = rest.find('\n');
    if (end == std::string_view::npos) {
        line = rest;
        pos_ = content_.size();
    } else {
        line = rest.substr(0, end);
        pos_ += end + 1;
    }
    return true;
}

std::string SkinText::IdentificationValue() const {
    const std::string_view text(content_);
    const std::string_view first = text.substr(0, text.find('\n'));
    std::string key;
    std::string value;
    if (!SplitSkinAttribute(first, key, value))
        return std::string();
    return value;
}

bool SkinText::FindSection(std::string_view name) {
    pos_ = 0;
    inSection_ = false;
    key_.clear();
    value_.clear();
    if (name.empty())
        return false;
    std::string_view line;
    while (ReadLine(line)) {
        if (TrimSkinText(line).starts_with(name)) {
            inSection_ = true;
            return true;
        }
    }
    return false;
}

bool SkinText::NextAttribute() {
    std::string_view line;
    if (inSection_ && ReadLine(line) && SplitSkinAttribute(line, key_, value_))
        return true;
    inSection_ = false;
    key_.clear();
    value_.clear();
    return false;
}
