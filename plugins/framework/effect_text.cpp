// The 8-character texts of parameter displays.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "effect_base.h"

namespace {

constexpr char kHuge[] = " Huge!  ";
constexpr int kChars = EffectBase::kDisplayChars;

} // namespace

// A number as exactly 8 characters without exponent: sign, integer digits, point, then as many
// fraction digits as fit (truncated, not rounded). A number whose integer digits do not fit
// gives " Huge!  ".
void EffectBase::float2string(float value, char* text) {
    double v = value;
    if (!std::isfinite(v)) {
        std::strcpy(text, kHuge);
        return;
    }
    bool negative = v < 0;
    if (negative)
        v = -v;
    int used = (negative ? 1 : 0) + 1; // the sign and the point

    char integerDigits[kChars];
    int count = 0;
    double integer = std::floor(v);
    do {
        if (used + count >= kChars) {
            std::strcpy(text, kHuge);
            return;
        }
        integerDigits[count++] = static_cast<char>('0' + static_cast<int>(std::fmod(integer, 10)));
        integer = std::floor(integer / 10);
    } while (integer >= 1);
    used += count;

    char* out = text;
    if (negative)
        *out++ = '-';
    while (count > 0)
        *out++ = integerDigits[--count];
    *out++ = '.';

    // The fraction digits are taken from the right of fraction * 10^left.
    int left = kChars - used;
    double mantissa = std::fmod(v, 1.0) * std::pow(10.0, left);
    for (int i = left - 1; i >= 0; --i) {
        if (mantissa <= 0) {
            out[i] = '0';
        } else {
            out[i] = static_cast<char>('0' + static_cast<int>(std::fmod(mantissa, 10)));
            mantissa /= 10;
        }
    }
    out[left] = 0;
}

// A whole number right-aligned in 7 columns, cut to 8 characters; numbers that do not fit in 8
// characters give " Huge!  ".
void EffectBase::long2string(long value, char* text) {
    if (value >= 100000000 || value < -9999999) {
        std::strcpy(text, kHuge);
        return;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%7ld", value);
    buffer[kChars] = 0;
    std::strcpy(text, buffer);
}

void EffectBase::dB2string(float value, char* text) {
    if (value <= 0) {
        std::strcpy(text, "  -inf  ");
        return;
    }
    float2string(static_cast<float>(20.0 * std::log10(value)), text);
}

void EffectBase::Hz2string(float samples, char* text) {
    float2string(samples != 0 ? sampleRate_ / samples : 0.0f, text);
}

void EffectBase::ms2string(float samples, char* text) {
    float2string(sampleRate_ != 0 ? samples * 1000.0f / sampleRate_ : 0.0f, text);
}
