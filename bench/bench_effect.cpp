// Cost of running one 25 ms block (1102 samples) through a hosted gain plug-in with
// PnAudioEffect::ProcessMono, next to a plain loop that applies the same gain with the same
// conversions and clipping. The difference is what hosting costs: the guard around the call,
// the conversions and the call into the plug-in. The gain plug-in is the effect host tests'
// (built with the tests into the build tree's tests/plugins/).
#include <benchmark/benchmark.h>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_paths.h"
#include "effect/effect.h"

namespace {

constexpr int kBlock = 1102;
// Gain parameter 0.5 of the test plug-in is a factor of 2.
constexpr float kGainParameter = 0.5f;
constexpr float kGain = 2.0f;

std::vector<std::int16_t> Voice() {
    std::vector<std::int16_t> block(kBlock);
    for (int i = 0; i < kBlock; ++i)
        block[i] = static_cast<std::int16_t>(9000 * std::sin(6.283185307 * 220 * i / 44100));
    return block;
}

void PerSample(benchmark::State& state) {
    state.counters["sec_per_sample"] = benchmark::Counter(
        kBlock, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_EffectProcessMonoGain(benchmark::State& state) {
    PnAudioEffect effect;
    if (effect.Load(BenchBuildFolder() + "tests/plugins/gain.so", true) != kVstSuccess) {
        state.SkipWithError("the test gain plug-in is not built (build the tests)");
        return;
    }
    effect.SetParameter(0, kGainParameter);
    const std::vector<std::int16_t> voice = Voice();
    std::vector<std::int16_t> block(kBlock);
    for (auto _ : state) {
        std::copy(voice.begin(), voice.end(), block.begin());
        effect.ProcessMono(block.data(), kBlock * 2);
        benchmark::ClobberMemory();
    }
    PerSample(state);
}
BENCHMARK(BM_EffectProcessMonoGain);

void BM_EffectPlainGainLoop(benchmark::State& state) {
    const std::vector<std::int16_t> voice = Voice();
    std::vector<std::int16_t> block(kBlock);
    std::vector<float> in(kBlock);
    std::vector<float> out(kBlock);
    for (auto _ : state) {
        std::copy(voice.begin(), voice.end(), block.begin());
        for (int i = 0; i < kBlock; ++i)
            in[i] = block[i];
        for (int i = 0; i < kBlock; ++i)
            out[i] = in[i] * kGain;
        for (int i = 0; i < kBlock; ++i) {
            float v = out[i];
            block[i] = v > 32767.0f ? 32767 : v < -32768.0f ? -32768 : static_cast<std::int16_t>(v);
        }
        benchmark::ClobberMemory();
    }
    PerSample(state);
}
BENCHMARK(BM_EffectPlainGainLoop);

} // namespace
