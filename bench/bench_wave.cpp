// Import of a long sound: a 10-minute 48 kHz stereo 16-bit file converted to the mixing format,
// against sox doing the same conversion of the same file in the same run.
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "sound/wave.h"

namespace {

const std::string kSource = "/tmp/voxwarp-bench-wave-10min.wav";
const std::string kOurs = "/tmp/voxwarp-bench-wave-ours.wav";
const std::string kSox = "/tmp/voxwarp-bench-wave-sox.wav";

// Writes the source once: a slow sweep on the left, a chord with a little noise on
// the right, so that neither channel is trivial for the resampler.
bool MakeSource() {
    static const bool made = [] {
        constexpr unsigned kRate = 48000;
        constexpr std::size_t kFrames = std::size_t{kRate} * 600;
        // A file left by an earlier run is taken again.
        std::error_code ec;
        if (std::filesystem::file_size(kSource, ec) == 44 + kFrames * 4)
            return true;
        Wave wave;
        wave.format = WaveFormat{kWaveFormatPcm, 2, kRate, kRate * 4, 4, 16, 0};
        wave.data.resize(kFrames * 4);
        unsigned noise = 12345;
        double phase = 0;
        for (std::size_t i = 0; i < kFrames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            phase += 2 * M_PI * (100 + 15000 * std::fmod(t, 60.0) / 60.0) / kRate;
            noise = noise * 1103515245u + 12345u;
            const double left = 0.6 * std::sin(phase);
            const double right =
                0.2 * (std::sin(2 * M_PI * 220 * t) + std::sin(2 * M_PI * 277 * t) +
                       std::sin(2 * M_PI * 330 * t)) +
                0.01 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
            const auto l = static_cast<std::int16_t>(std::lrint(left * 32767));
            const auto r = static_cast<std::int16_t>(std::lrint(right * 32767));
            std::uint8_t* frame = wave.data.data() + i * 4;
            frame[0] = static_cast<std::uint8_t>(l);
            frame[1] = static_cast<std::uint8_t>(l >> 8);
            frame[2] = static_cast<std::uint8_t>(r);
            frame[3] = static_cast<std::uint8_t>(r >> 8);
        }
        return wave.WriteToFile(kSource) == kWaveSuccess;
    }();
    return made;
}

// What an import does: read the file, convert it, write the result.
void BM_WaveImport10MinStereo48k(benchmark::State& state) {
    if (!MakeSource()) {
        state.SkipWithError("cannot write the source file");
        return;
    }
    for (auto _ : state) {
        Wave wave;
        if (wave.ReadFromFile(kSource) != kWaveSuccess || wave.ConvertToOneChanel16Bit() != 0 ||
            wave.WriteToFile(kOurs) != kWaveSuccess) {
            state.SkipWithError("conversion failed");
            return;
        }
    }
    std::remove(kOurs.c_str());
}
BENCHMARK(BM_WaveImport10MinStereo48k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The conversion alone, on a sound already in memory.
void BM_WaveConvert10MinStereo48k(benchmark::State& state) {
    if (!MakeSource()) {
        state.SkipWithError("cannot write the source file");
        return;
    }
    Wave source;
    if (source.ReadFromFile(kSource) != kWaveSuccess) {
        state.SkipWithError("cannot read the source file");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        Wave wave = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(wave.ConvertToOneChanel16Bit());
    }
}
BENCHMARK(BM_WaveConvert10MinStereo48k)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// sox reading, converting and writing the same file: the wall time of the whole process.
void BM_SoxImport10MinStereo48k(benchmark::State& state) {
    if (!MakeSource()) {
        state.SkipWithError("cannot write the source file");
        return;
    }
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const std::string command = "sox " + kSource + " -r 44100 -c 1 -b 16 " + kSox;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const auto end = std::chrono::steady_clock::now();
        if (status != 0) {
            state.SkipWithError("sox failed");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    std::remove(kSox.c_str());
}
BENCHMARK(BM_SoxImport10MinStereo48k)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseManualTime();

} // namespace
