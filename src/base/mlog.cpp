#include "base/mlog.h"

#include <cstdarg>
#include <cstring>
#include <exception>
#include <mutex>

#include "base/storedpath.h"
#include "platform/append_file.h"
#include "platform/clock.h"
#include "text/utf.h"
#include "text/utf8cut.h"

namespace {

struct LogState {
    std::string path;
    LogLineOptions options;
    bool toConsole = false;
    // Serialises the threads of this process; the file's own lock serialises the processes.
    std::mutex lock;
    platform::SharedAppendFile file;
};

LogState& State() {
    static LogState state;
    return state;
}

// Writes one finished line (without line end) to the file and the console.
bool WriteRaw(const char* line) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.file.IsOpen() && !s.path.empty())
        s.file.Open(s.path); // a failed open is tried again at the next line
    if (s.file.IsOpen()) {
        char buf[kLogMessageChars + 2];
        std::size_t n = Utf8PrefixLength(line, kLogMessageChars);
        std::memcpy(buf, line, n);
        buf[n++] = '\n';
        if (!s.file.Append(buf, n))
            return false;
    }
    if (s.toConsole) {
        std::fputs(line, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    return true;
}

// vsnprintf into a message buffer; a message that does not fit is cut at a character boundary.
void FormatMessage(char (&buf)[kLogMessageChars + 1], const char* format, va_list args) {
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    if (n < 0)
        buf[0] = '\0';
    else if (static_cast<std::size_t>(n) > kLogMessageChars)
        buf[Utf8PrefixLength(buf, kLogMessageChars)] = '\0';
}

bool LogFormattedV(LogKind kind, const char* format, va_list args) {
    char message[kLogMessageChars + 1];
    FormatMessage(message, format, args);
    return LogLine(kind, message);
}

// "method(open message close)" with the message formatted from format.
bool LogCallV(LogKind kind, const char* method, const char* open, const char* close,
              const char* format, va_list args) {
    char message[kLogMessageChars + 1];
    FormatMessage(message, format, args);
    char text[kLogMessageChars + 1];
    std::snprintf(text, sizeof text, "%s%s%s%s", method, open, message, close);
    return LogLine(kind, text);
}

// "method()" as a line of the given kind.
bool LogBareCall(LogKind kind, const char* method) {
    char text[kLogMessageChars + 1];
    std::snprintf(text, sizeof text, "%s()", method);
    return LogLine(kind, text);
}

} // namespace

bool LogInit(const char* path, bool withTime, bool withThread, bool toConsole, bool separated,
             bool shortPrefixes) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.path = SlashPath(path ? path : "");
    s.options = LogLineOptions{withTime, withThread, separated, shortPrefixes};
    s.toConsole = toConsole;
    s.file.Close(); // the next line opens the (new) path
    return true;
}

bool LogLine(LogKind kind, const char* message) {
    LogLineOptions options;
    {
        LogState& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        options = s.options;
    }
    LogStamp stamp;
    if (options.withTime) {
        platform::LocalTime now = platform::NowLocal();
        stamp.hour = now.hour;
        stamp.minute = now.minute;
        stamp.second = now.second;
    }
    if (options.withThread)
        stamp.threadId = platform::CurrentThreadId();
    char line[kLogLineChars + 1];
    FormatLogLine(line, options, stamp, static_cast<int>(kind), message);
    return WriteRaw(line);
}

#define VOXWARP_DEFINE_LOG_WRITER(name, kind)                                                      \
    bool name(const char* format, ...) {                                                           \
        va_list args;                                                                              \
        va_start(args, format);                                                                    \
        bool ok = LogFormattedV(kind, format, args);                                               \
        va_end(args);                                                                              \
        return ok;                                                                                 \
    }

VOXWARP_DEFINE_LOG_WRITER(LogNote, LogKind::Note)
VOXWARP_DEFINE_LOG_WRITER(LogPlain, LogKind::Plain)
VOXWARP_DEFINE_LOG_WRITER(LogWarning, LogKind::Warning)
VOXWARP_DEFINE_LOG_WRITER(LogError, LogKind::Error)
VOXWARP_DEFINE_LOG_WRITER(LogException, LogKind::Exception)
#undef VOXWARP_DEFINE_LOG_WRITER

bool LogMethod(const char* method) {
    return LogBareCall(LogKind::Note, method);
}

bool LogMethod(const char* method, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = LogCallV(LogKind::Note, method, "(): ", "", format, args);
    va_end(args);
    return ok;
}

bool LogEnter(const char* method) {
    return LogBareCall(LogKind::Enter, method);
}

bool LogEnter(const char* method, const char* format, ...) {
    va_list args;
    va_start(args, format);
    bool ok = LogCallV(LogKind::Enter, method, "(", ")", format, args);
    va_end(args);
    return ok;
}

bool LogLeave(const char* method) {
    return LogBareCall(LogKind::Leave, method);
}

bool LogLeaveText(const char* method, std::string_view valueText) {
    valueText = valueText.substr(0, Utf8PrefixLength(valueText, kLogMessageChars));
    char text[kLogMessageChars + 1];
    std::snprintf(text, sizeof text, "%s() = %.*s", method, static_cast<int>(valueText.size()),
                  valueText.data());
    return LogLine(LogKind::Leave, text);
}

LogScope::LogScope(const char* method) : method_(method), exceptions_(std::uncaught_exceptions()) {
    LogEnter(method);
}

LogScope::LogScope(const char* method, const char* format, ...)
    : method_(method), exceptions_(std::uncaught_exceptions()) {
    va_list args;
    va_start(args, format);
    LogCallV(LogKind::Enter, method, "(", ")", format, args);
    va_end(args);
}

LogScope::~LogScope() {
    if (hasResult_ && std::uncaught_exceptions() == exceptions_)
        LogLeaveText(method_, resultText_);
    else
        LogLeave(method_);
}

std::string LogWideToUtf8(std::wstring_view text) {
    return WideToUtf8(text);
}

bool LogStartBanner() {
    platform::LocalTime now = platform::NowLocal();
    char when[64];
    std::snprintf(when, sizeof when, "%d.%d.%d %d:%d:%d", now.day, now.month, now.year, now.hour,
                  now.minute, now.second);
    char text[128];
    std::snprintf(text, sizeof text, "Application started on %s", when);

    bool separated;
    {
        LogState& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        separated = s.options.separated;
    }
    if (separated) {
        char raw[160];
        std::snprintf(raw, sizeof raw, "\n%s\n", text);
        return WriteRaw(raw);
    }
    static const char kRule[] =
        "+-----------------------------------------------------------------------------+";
    constexpr int kInnerWidth = static_cast<int>(sizeof kRule - 1) - 3; // "| " ... "|"
    // One write, so that no line of another process lands inside the box.
    char banner[400];
    std::snprintf(banner, sizeof banner, "%s\n| %-*s|\n%s", kRule, kInnerWidth, text, kRule);
    return WriteRaw(banner);
}
