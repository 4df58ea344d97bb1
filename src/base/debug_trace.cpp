#include "base/debug_trace.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

#include "base/mlog.h"

namespace {

struct SinkState {
    std::mutex lock;
    DebugTraceSink sink;
};

SinkState& Sink() {
    static SinkState state;
    return state;
}

} // namespace

void DebugTrace(const char* format, ...) {
    char message[kLogMessageChars + 1];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (n < 0)
        message[0] = '\0';
    std::string text(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    LogPlain("%s%s", kDebugTracePrefix, text.c_str());

    DebugTraceSink sink;
    {
        SinkState& state = Sink();
        std::lock_guard<std::mutex> guard(state.lock);
        sink = state.sink;
    }
    if (sink)
        sink(text); // outside the lock: a sink may trace itself
}

DebugTraceSink SetDebugTraceSink(DebugTraceSink sink) {
    SinkState& state = Sink();
    std::lock_guard<std::mutex> guard(state.lock);
    return std::exchange(state.sink, std::move(sink));
}
