#include "effectdialog/param_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string FormatParamValue(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return "0.000000";
    return std::string(text, result.ptr);
}

double ParseParamText(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    if (at < text.size() && text[at] == '+')
        ++at;
    double value = 0;
    const auto result = std::from_chars(text.data() + at, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return text.substr(at).find('-') == 0 ? -HUGE_VAL : HUGE_VAL;
    if (result.ec != std::errc() || std::isnan(value))
        return 0;
    return value;
}

float ClampParamValue(double value) {
    return static_cast<float>(std::clamp(value, 0.0, 1.0));
}
