// The generic parameter editor's numeric fields: a value is shown as printf's "%f" shows it, and
// typed text is read the way the C library's atof reads it. Both ignore the user's locale, so
// that a value always reads back as written ("0.333000", never "0,333000").
#pragma once

#include <string>
#include <string_view>

// The characters a field holds.
constexpr int kParamFieldChars = 8;

// value as "%f" writes it in the C locale ("0.333000"). Any thread.
std::string FormatParamValue(float value);

// The number at the start of text after blanks ("1.5", "-2", "+.5e-1x"); 0 when it starts with
// no number ("abc", "") or is not a number ("nan"). Any thread.
double ParseParamText(std::string_view text);

// A typed value as a parameter value: clamped to 0 .. 1. Any thread.
float ClampParamValue(double value);
