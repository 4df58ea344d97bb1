// A fundamental-frequency estimator for the pitch tests: the YIN difference function on frames
// of 16-bit mono sound at 44100 Hz.
#pragma once

#include <cstdint>
#include <vector>

namespace testeffect {

constexpr int kPitchHop = 2048;

// The fundamental of each frame of 3072 samples, one frame every kPitchHop samples, in Hz,
// searched between 40 and 800 Hz; 0 for a frame that is quiet or not voiced.
std::vector<double> FramePitches(const std::vector<std::int16_t>& samples);

// The median over the frames voiced in both of output[i + offset] / input[i]; 0 when none are.
double MedianRatio(const std::vector<double>& input, const std::vector<double>& output,
                   std::size_t offset);

// The median fundamental over the voiced frames; 0 when none is voiced.
double MedianPitch(const std::vector<std::int16_t>& samples);

} // namespace testeffect
