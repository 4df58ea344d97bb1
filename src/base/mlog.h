// The process log: one file of text lines per program, optionally echoed to the console. Any
// thread may log; whole lines never mix with lines of other threads or of other processes that
// log into the same file.
#pragma once

#include <cinttypes>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/logline.h"

// Sets the log settings once at program start, before other threads exist. Returns false only
// when the lock that serialises the lines cannot be made.
bool LogInit(const char* path, bool withTime, bool withThread, bool toConsole, bool separated,
             bool shortPrefixes);

// Writes one line of the given kind. False when the file write failed.
bool LogLine(LogKind kind, const char* message);

// printf-style writers of one line of kind Note, Plain, Warning, Error and Exception.
bool LogNote(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool LogPlain(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool LogWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool LogError(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool LogException(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "Method()" or "Method(): message" as a Note.
bool LogMethod(const char* method);
bool LogMethod(const char* method, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "Method(arguments)" as an Enter line; "Method()" without arguments.
bool LogEnter(const char* method);
bool LogEnter(const char* method, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "Method()" as a Leave line.
bool LogLeave(const char* method);

// "Method() = value" as a Leave line, the value already turned into text.
bool LogLeaveText(const char* method, std::string_view valueText);

// The text of a logged result, chosen by the value's type.
std::string LogWideToUtf8(std::wstring_view text);

template <typename V>
std::string LogDecayedValueText(V value) {
    char buf[64];
    if constexpr (std::is_same_v<V, bool>) {
        return value ? "true" : "false";
    } else if constexpr (std::is_enum_v<V>) {
        return LogDecayedValueText(static_cast<std::underlying_type_t<V>>(value));
    } else if constexpr (std::is_integral_v<V> && std::is_signed_v<V>) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
        return buf;
    } else if constexpr (std::is_integral_v<V>) {
        std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(value));
        return buf;
    } else if constexpr (std::is_floating_point_v<V>) {
        std::snprintf(buf, sizeof buf, "%e", static_cast<double>(value));
        return buf;
    } else if constexpr (std::is_convertible_v<V, std::string_view>) {
        if constexpr (std::is_pointer_v<V>) {
            if (value == nullptr)
                return "(null)";
        }
        return std::string(std::string_view(value));
    } else if constexpr (std::is_convertible_v<V, std::wstring_view>) {
        if constexpr (std::is_pointer_v<V>) {
            if (value == nullptr)
                return "(null)";
        }
        return LogWideToUtf8(std::wstring_view(value));
    } else if constexpr (std::is_pointer_v<V>) {
        std::snprintf(buf, sizeof buf, "0x%0*" PRIXPTR, static_cast<int>(2 * sizeof(void*)),
                      reinterpret_cast<std::uintptr_t>(value));
        return buf;
    } else {
        return "undefined type!";
    }
}

template <typename T>
std::string LogValueText(T&& value) {
    return LogDecayedValueText<std::decay_t<T>>(std::forward<T>(value));
}

template <typename T>
bool LogLeaveResult(const char* method, T&& value) {
    return LogLeaveText(method, LogValueText(std::forward<T>(value)));
}

// Writes the Enter line of a method when made and its Leave line when it goes out of scope, so
// that every way out of the method, an early return or an exception passing through, writes
// exactly one Leave line. The lines are those of LogEnter and LogLeave; with a result set, the
// Leave line is that of LogLeaveResult. An exception that leaves the method writes "Method()"
// without the result, which the method did not return. The method name must outlive the object.
class LogScope {
public:
    [[nodiscard]] explicit LogScope(const char* method);
    [[nodiscard]] LogScope(const char* method, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    ~LogScope();
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;

    // The value the Leave line reports, turned into text as LogLeaveResult does. A later call
    // replaces it.
    template <typename T>
    void SetResult(T&& value) {
        resultText_ = LogValueText(std::forward<T>(value));
        hasResult_ = true;
    }

private:
    const char* method_;
    int exceptions_; // the exceptions in flight when the method was entered
    bool hasResult_ = false;
    std::string resultText_;
};

// The control panel's start banner: "Application started on D.M.YYYY H:M:S" in a box of
// 79 columns (or between empty lines in separated mode).
bool LogStartBanner();
