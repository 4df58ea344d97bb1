// Brevo's phase vocoder next to Rubber Band's real-time pitch shifter doing the same shift on the
// same input, in the same run. The counter "rtf" is the real-time factor: seconds of audio
// processed per second of CPU time.
#include <benchmark/benchmark.h>
#include <rubberband/RubberBandStretcher.h>

#include <cmath>
#include <vector>

#include "phase_vocoder.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 1102; // what the voice server feeds per block

std::vector<float> Voice(std::size_t samples) {
    // A voiced sound: a 150 Hz pulse train's first harmonics with a slow vibrato.
    std::vector<float> signal(samples);
    double phase = 0.0;
    for (std::size_t n = 0; n < samples; ++n) {
        phase += 2.0 * 3.14159265358979 * (150.0 + 5.0 * std::sin(n * 2e-4)) / kRate;
        double v = 0.0;
        for (int h = 1; h <= 12; ++h) {
            v += std::sin(h * phase) / h;
        }
        signal[n] = static_cast<float>(8000.0 * v);
    }
    return signal;
}

void SetRtf(benchmark::State& state, std::size_t samplesPerIteration) {
    state.counters["rtf"] = benchmark::Counter(static_cast<double>(samplesPerIteration) / kRate,
                                               benchmark::Counter::kIsIterationInvariantRate);
}

// Brevo at its default program (C = 4, N = 1024, F = 1.1875), or at C = 8, N = 8192.
void BrevoPitchShift(benchmark::State& state) {
    PhaseVocoder effect(nullptr, VocoderVariant::Brevo);
    if (state.range(0) == 1) {
        effect.setParameter(PhaseVocoder::kOverlaps, 1.0f);
        effect.setParameter(PhaseVocoder::kFftSize, 1.0f);
    }
    const std::vector<float> input = Voice(kBlock * 40);
    std::vector<float> left(kBlock), right(kBlock);
    for (auto _ : state) {
        for (std::size_t start = 0; start < input.size(); start += kBlock) {
            float* inputs[] = {const_cast<float*>(input.data() + start)};
            float* outputs[] = {left.data(), right.data()};
            effect.processReplacing(inputs, outputs, kBlock);
        }
        benchmark::DoNotOptimize(left.data());
    }
    SetRtf(state, input.size());
}

// Rubber Band's real-time pitch shifter, the same factor, the same blocks.
void RubberBandPitchShift(benchmark::State& state) {
    using RubberBand::RubberBandStretcher;
    RubberBandStretcher stretcher(kRate, 1, RubberBandStretcher::OptionProcessRealTime, 1.0,
                                  1.1875);
    const std::vector<float> input = Voice(kBlock * 40);
    std::vector<float> output(kBlock * 4);
    for (auto _ : state) {
        for (std::size_t start = 0; start < input.size(); start += kBlock) {
            const float* in[] = {input.data() + start};
            stretcher.process(in, kBlock, false);
            int available = stretcher.available();
            while (available > 0) {
                float* out[] = {output.data()};
                const auto got = stretcher.retrieve(
                    out, std::min<std::size_t>(static_cast<std::size_t>(available), output.size()));
                available -= static_cast<int>(got);
                if (got == 0) {
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(output.data());
    }
    SetRtf(state, input.size());
}

} // namespace

BENCHMARK(BrevoPitchShift)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RubberBandPitchShift)->Unit(benchmark::kMillisecond);
