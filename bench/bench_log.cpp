// Cost of one log line against plain references in the same process: formatting against one
// snprintf of the same text, and a whole logged line against one plain write() of it.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "base/logline.h"
#include "base/mlog.h"

namespace {

const char* kMessage =
    "PnAudioEffect::_SecureLoad(\"/home/user/voxwarp/effects/Brevo.so\", isOn=1)";

void BM_FormatLogLine(benchmark::State& state) {
    LogLineOptions options{true, true, false, false};
    LogStamp stamp{9, 5, 3, 12345};
    char buf[kLogLineChars + 1];
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatLogLine(buf, options, stamp, 5, kMessage));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FormatLogLine);

void BM_ReferenceSnprintf(benchmark::State& state) {
    char buf[kLogLineChars + 1];
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%-9s%-8s%s%s", "9:5:3", "[12345]",
                                               "       --> ", kMessage));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReferenceSnprintf);

std::string TempLog(const char* name) {
    return std::string("/tmp/voxwarp-bench-") + name;
}

void BM_LogLineToFile(benchmark::State& state) {
    std::string path = TempLog("log");
    LogInit(path.c_str(), true, true, false, false, false);
    for (auto _ : state)
        LogEnter("PnAudioEffect::_SecureLoad", "\"%s\", isOn=%d", "/x/Brevo.so", 1);
    LogInit("", false, false, false, false, false);
    unlink(path.c_str());
}
BENCHMARK(BM_LogLineToFile);

void BM_ReferencePlainWrite(benchmark::State& state) {
    std::string path = TempLog("plain");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_TRUNC, 0600);
    std::string line = std::string("9:5:3    [12345] ") + "       --> " + kMessage + "\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(write(fd, line.data(), line.size()));
    close(fd);
    unlink(path.c_str());
}
BENCHMARK(BM_ReferencePlainWrite);

} // namespace
