#include "base/logline.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "text/utf8cut.h"

namespace {

struct PrefixSet {
    const char* column;
    const char* shortForm;
    const char* separated;
};

// Column prefixes are 11 characters wide.
constexpr PrefixSet kPrefixes[] = {
    {"        == ", "==", "==;"},
    {"           ", "", ";"},
    {"  Warning: ", "Warning: ", "Warning;"},
    {"    Error: ", "Error: ", "Error;"},
    {"Exception: ", "Exception: ", "Exception;"},
    {"       --> ", "--> ", "-->;"},
    {"       <-- ", "<-- ", "<--;"},
};

constexpr std::size_t kMaxPrefixChars = 39;
constexpr std::size_t kTimeWidth = sizeof "00:00:00 " - 1;
constexpr std::size_t kThreadWidth = sizeof "[00000] " - 1;

// Appends text to buf[length..capacity), cut at a character boundary; returns the new length.
std::size_t Append(char* buf, std::size_t capacity, std::size_t length, const char* text,
                   std::size_t maxChars = static_cast<std::size_t>(-1)) {
    std::size_t room = capacity - length < maxChars ? capacity - length : maxChars;
    std::size_t n = Utf8PrefixLength(text, room);
    std::memcpy(buf + length, text, n);
    length += n;
    buf[length] = '\0';
    return length;
}

} // namespace

const char* LogKindPrefix(int kind, const LogLineOptions& options) {
    if (kind < 0 || kind >= static_cast<int>(std::size(kPrefixes)))
        kind = static_cast<int>(LogKind::Plain);
    const PrefixSet& set = kPrefixes[kind];
    if (options.separated)
        return set.separated;
    return options.shortPrefixes ? set.shortForm : set.column;
}

std::size_t PadLogField(char* buf, std::size_t capacity, std::size_t fieldStart, std::size_t length,
                        std::size_t width, bool separated) {
    if (separated) {
        if (length < capacity)
            buf[length++] = ';';
        else if (length > 0)
            buf[length - 1] = ';';
        buf[length] = '\0';
        return length;
    }
    while (length - fieldStart < width && length < capacity)
        buf[length++] = ' ';
    buf[length] = '\0';
    return length;
}

std::size_t FormatLogLine(char* buf, const LogLineOptions& options, const LogStamp& stamp, int kind,
                          const char* message) {
    const std::size_t capacity = kLogLineChars;
    std::size_t length = 0;
    buf[0] = '\0';
    char field[32];
    if (options.withTime) {
        std::snprintf(field, sizeof field, "%d:%d:%d", stamp.hour, stamp.minute, stamp.second);
        std::size_t start = length;
        length = Append(buf, capacity, length, field);
        length = PadLogField(buf, capacity, start, length, kTimeWidth, options.separated);
    }
    if (options.withThread) {
        std::snprintf(field, sizeof field, "[%llu]",
                      static_cast<unsigned long long>(stamp.threadId));
        std::size_t start = length;
        length = Append(buf, capacity, length, field);
        length = PadLogField(buf, capacity, start, length, kThreadWidth, options.separated);
    }
    length = Append(buf, capacity, length, LogKindPrefix(kind, options), kMaxPrefixChars);
    return Append(buf, capacity, length, message ? message : "");
}
