#include "base/format_check.h"

namespace {

constexpr std::string_view kFlags = "-+ #0'I";
constexpr std::string_view kLengthModifiers = "hlLqjzZt";
// %n is left out on purpose: it writes through its argument.
constexpr std::string_view kConversions = "diouxXeEfFgGaAcspmCS";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipDigits(std::string_view s, std::size_t& pos) {
    while (pos < s.size() && IsDigit(s[pos]))
        ++pos;
}

// A width or precision: digits, "*" or "*m$".
void SkipField(std::string_view s, std::size_t& pos) {
    if (pos < s.size() && s[pos] == '*') {
        ++pos;
        std::size_t digits = pos;
        SkipDigits(s, digits);
        if (digits > pos && digits < s.size() && s[digits] == '$')
            pos = digits + 1;
        return;
    }
    SkipDigits(s, pos);
}

// The end of the conversion whose '%' is at start, or 0 when none is complete there.
std::size_t ConversionEnd(std::string_view s, std::size_t start) {
    std::size_t pos = start + 1;
    std::size_t digits = pos;
    SkipDigits(s, digits);
    if (digits > pos && digits < s.size() && s[digits] == '$')
        pos = digits + 1; // argument position
    while (pos < s.size() && kFlags.find(s[pos]) != std::string_view::npos)
        ++pos;
    SkipField(s, pos);
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        SkipField(s, pos);
    }
    for (int i = 0;
         i < 2 && pos < s.size() && kLengthModifiers.find(s[pos]) != std::string_view::npos; ++i)
        ++pos;
    if (pos >= s.size() || kConversions.find(s[pos]) == std::string_view::npos)
        return 0;
    return pos + 1;
}

} // namespace

std::optional<std::vector<std::string_view>> PrintfConversions(std::string_view format) {
    std::vector<std::string_view> conversions;
    for (std::size_t pos = format.find('%'); pos != std::string_view::npos;
         pos = format.find('%', pos)) {
        if (pos + 1 < format.size() && format[pos + 1] == '%') {
            pos += 2;
            continue;
        }
        std::size_t end = ConversionEnd(format, pos);
        if (end == 0)
            return std::nullopt;
        conversions.push_back(format.substr(pos, end - pos));
        pos = end;
    }
    return conversions;
}

bool SamePrintfConversions(std::string_view format, std::string_view text) {
    std::optional<std::vector<std::string_view>> expected = PrintfConversions(format);
    std::optional<std::vector<std::string_view>> actual = PrintfConversions(text);
    return expected && actual && *expected == *actual;
}
