#include "pitch_estimate.h"

#include <algorithm>
#include <cmath>

namespace testeffect {

std::vector<double> FramePitches(const std::vector<std::int16_t>& samples) {
    constexpr int kRate = 44100, kFrame = 3072, kHop = kPitchHop;
    constexpr int kMinLag = kRate / 800, kMaxLag = kRate / 40;
    constexpr double kThreshold = 0.15;
    std::vector<double> pitches;
    std::vector<double> difference(kMaxLag + 2);
    for (std::size_t start = 0; start + kFrame <= samples.size(); start += kHop) {
        const std::int16_t* x = samples.data() + start;
        const int window = kFrame - kMaxLag - 1;
        double energy = 0.0;
        for (int n = 0; n < window; ++n) {
            energy += double(x[n]) * x[n];
        }
        pitches.push_back(0.0);
        if (energy / window < 100.0 * 100.0) {
            continue; // too quiet to be voiced
        }
        // Cumulative mean normalised difference.
        double running = 0.0;
        difference[0] = 1.0;
        for (int lag = 1; lag <= kMaxLag + 1; ++lag) {
            double sum = 0.0;
            for (int n = 0; n < window; ++n) {
                const double d = double(x[n]) - x[n + lag];
                sum += d * d;
            }
            running += sum;
            difference[lag] = running > 0 ? sum * lag / running : 1.0;
        }
        for (int lag = kMinLag; lag <= kMaxLag; ++lag) {
            if (difference[lag] < kThreshold) {
                while (lag < kMaxLag && difference[lag + 1] < difference[lag]) {
                    ++lag;
                }
                const double a = difference[lag - 1], b = difference[lag], c = difference[lag + 1];
                const double denominator = a - 2 * b + c;
                const double shift = denominator != 0 ? 0.5 * (a - c) / denominator : 0.0;
                pitches.back() = kRate / (lag + shift);
                break;
            }
        }
    }
    return pitches;
}

double MedianRatio(const std::vector<double>& input, const std::vector<double>& output,
                   std::size_t offset) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < input.size() && i + offset < output.size(); ++i) {
        if (input[i] > 0 && output[i + offset] > 0) {
            ratios.push_back(output[i + offset] / input[i]);
        }
    }
    if (ratios.empty()) {
        return 0.0;
    }
    std::nth_element(ratios.begin(), ratios.begin() + ratios.size() / 2, ratios.end());
    return ratios[ratios.size() / 2];
}

double MedianPitch(const std::vector<std::int16_t>& samples) {
    std::vector<double> pitches = FramePitches(samples);
    std::erase(pitches, 0.0);
    if (pitches.empty()) {
        return 0.0;
    }
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

} // namespace testeffect
