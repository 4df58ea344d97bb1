// Cost of stretching one 25 ms block (1102 samples) by one request, growing and shrinking, next
// to a plain loop that copies and sums the same block. Every run starts by copying the block
// into a work buffer with room for six blocks, as the routing stream does. The block is quiet
// enough that every frame is stretched (the costlier path); loud frames are only analysed.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "routing/stretcher.h"

namespace {

constexpr int kBlock = 1102;
constexpr int kRequest = 30;
constexpr int kQueueLow = 3306;
constexpr int kQueueHigh = 6615;
constexpr int kCapacity = 6 * 6612;

std::vector<int16_t> QuietVoice() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-20, 20);
    std::vector<int16_t> block(kBlock);
    for (int i = 0; i < kBlock; ++i) {
        double v = 0;
        for (int h = 1; h <= 6; ++h)
            v += std::sin(6.283185307 * 150 * h * i / 44100) / h;
        block[i] = static_cast<int16_t>(std::lround(150 * v) + noise(rng));
    }
    return block;
}

void PerSample(benchmark::State& state) {
    state.counters["sec_per_sample"] = benchmark::Counter(
        kBlock, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RunStretch(benchmark::State& state, int target, int queued) {
    const std::vector<int16_t> block = QuietVoice();
    std::vector<int16_t> work(6 * kBlock);
    DriftStretcher stretcher(0, 160, 80, 160);
    stretcher.Start(8000, 1, 80, 160, kCapacity);
    int length = 0;
    for (auto _ : state) {
        std::copy(block.begin(), block.end(), work.begin());
        benchmark::DoNotOptimize(length = stretcher.Stretch(work, kBlock, target, queued));
        benchmark::ClobberMemory();
    }
    PerSample(state);
    state.counters["out_samples"] = length;
}

void BM_StretchGrow(benchmark::State& state) {
    RunStretch(state, kQueueLow, kQueueLow - kRequest);
}
BENCHMARK(BM_StretchGrow);

void BM_StretchShrink(benchmark::State& state) {
    RunStretch(state, kQueueHigh, kQueueHigh + kRequest);
}
BENCHMARK(BM_StretchShrink);

void BM_ReferenceCopyAndSum(benchmark::State& state) {
    const std::vector<int16_t> block = QuietVoice();
    std::vector<int16_t> work(6 * kBlock);
    for (auto _ : state) {
        std::copy(block.begin(), block.end(), work.begin());
        benchmark::ClobberMemory();
        int64_t sum = 0;
        for (int i = 0; i < kBlock; ++i)
            sum += work[i];
        benchmark::DoNotOptimize(sum);
    }
    PerSample(state);
}
BENCHMARK(BM_ReferenceCopyAndSum);

} // namespace
