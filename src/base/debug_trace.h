// The debug trace: diagnostics meant for developers, never shown to the user (the
// TRACE lines, for example the skin parser's "couldn't dissolve %s to color"). Each call writes
// one line into the process log (base/mlog.h) as a plain line that starts with "debug: ", so
// that it reads as a debug line: "debug: couldn't find skin object [Osci]".
#pragma once

#include <functional>
#include <string>

// Formats one message printf-style and writes it as a debug line (a trailing line end of the
// message is dropped). Any thread may call it.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A function that sees every debug message as well (the formatted text, without the "debug: "
// prefix), for tests that check which diagnostics a piece of code wrote. An empty function
// removes it. Returns the sink that was set before.
using DebugTraceSink = std::function<void(const std::string&)>;
DebugTraceSink SetDebugTraceSink(DebugTraceSink sink);

// The prefix of a debug line in the log.
inline constexpr const char kDebugTracePrefix[] = "debug: ";
