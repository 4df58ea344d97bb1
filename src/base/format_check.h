// Checks that a text can stand in for a printf format: translations of the built-in texts are
// used as formats with the arguments the built-in text was written for.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

// The conversions of a printf format in order, each as written from its '%' to its conversion
// character ("%s", "%-5.2lu", "%1$s"); "%%" is a literal percent sign, not a conversion. Nothing
// when the format holds a '%' that starts no complete conversion, or a conversion that writes
// through its argument (%n).
std::optional<std::vector<std::string_view>> PrintfConversions(std::string_view format);

// Whether text takes exactly the arguments of format: both are well-formed and their
// conversions are written the same, in the same order.
bool SamePrintfConversions(std::string_view format, std::string_view text);
