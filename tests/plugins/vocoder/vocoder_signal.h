// Signals and measurements for the phase-vocoder tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

#include "phase_vocoder.h"

namespace vocodertest {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

inline std::vector<float> Sine(double frequency, std::size_t samples, double amplitude = 10000.0) {
    std::vector<float> signal(samples);
    for (std::size_t n = 0; n < samples; ++n) {
        signal[n] = static_cast<float>(amplitude * std::sin(2.0 * kPi * frequency * n / kRate));
    }
    return signal;
}

// Runs the signal through the effect in blocks of 1102 samples (what the voice server feeds);
// the left output.
inline std::vector<float> Process(PhaseVocoder& effect, const std::vector<float>& input,
                                  std::size_t block = 1102) {
    std::vector<float> left(input.size()), right(input.size());
    for (std::size_t start = 0; start < input.size(); start += block) {
        const auto count = static_cast<std::int32_t>(std::min(block, input.size() - start));
        float* inputs[] = {const_cast<float*>(input.data() + start)};
        float* outputs[] = {left.data() + start, right.data() + start};
        effect.processReplacing(inputs, outputs, count);
    }
    return left;
}

// Frequency of a periodic signal from its rising zero crossings (linearly interpolated) between
// from and to; 0 when there are fewer than two.
inline double ZeroCrossingFrequency(const std::vector<float>& signal, std::size_t from,
                                    std::size_t to) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t n = from + 1; n < to && n < signal.size(); ++n) {
        if (signal[n - 1] < 0.0f && signal[n] >= 0.0f) {
            const double t = (n - 1) + signal[n - 1] / (signal[n - 1] - signal[n]);
            if (first < 0) {
                first = t;
            }
            last = t;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * kRate / (last - first);
}

inline double Rms(const std::vector<float>& signal, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t n = from; n < to; ++n) {
        sum += static_cast<double>(signal[n]) * signal[n];
    }
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

} // namespace vocodertest
