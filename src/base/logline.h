// Formatting of one log line: time and thread fields, kind prefix, message. Pure functions, so
// that the exact line layout can be checked without a clock or a file.
#pragma once

#include <cstddef>
#include <cstdint>

enum class LogKind : int {
    Note = 0,
    Plain = 1,
    Warning = 2,
    Error = 3,
    Exception = 4,
    Enter = 5,
    Leave = 6,
};

struct LogLineOptions {
    bool withTime = true;
    bool withThread = false;
    bool separated = false;     // fields end with ";" instead of being padded to columns
    bool shortPrefixes = false; // prefixes without column padding (separated wins)
};

struct LogStamp {
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::uint64_t threadId = 0;
};

// A line holds at most this many characters (the line end is added when writing).
constexpr std::size_t kLogLineChars = 1023;
// A formatted message holds at most this many characters.
constexpr std::size_t kLogMessageChars = 2047;

// The prefix of a kind; numbers outside the table take the prefix of Plain.
const char* LogKindPrefix(int kind, const LogLineOptions& options);

// Pads the field that starts at fieldStart and ends at length to `width` characters with
// blanks, or ends it with ";" in separated mode. Never writes past capacity (the buffer holds
// capacity characters plus a terminating zero). Returns the new length.
std::size_t PadLogField(char* buf, std::size_t capacity, std::size_t fieldStart, std::size_t length,
                        std::size_t width, bool separated);

// Builds the whole line into buf (kLogLineChars + 1 bytes) and returns its length. A line that
// does not fit is cut at a character boundary.
std::size_t FormatLogLine(char* buf, const LogLineOptions& options, const LogStamp& stamp, int kind,
                          const char* message);
