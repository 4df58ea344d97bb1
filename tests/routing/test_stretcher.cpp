#include "routing/stretcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using Samples = std::vector<int16_t>;

constexpr int kCapacity = 13224;  // generous output capacity: the near-full rule stays out
constexpr int kQueueLow = 3306;   // growing threshold with 25 ms blocks
constexpr int kQueueHigh = 6615;  // shrinking threshold
constexpr int kBlock = 1102;      // 25 ms at 44100 Hz: 6 frames of 160 and one of 140
constexpr int kBlockInput = 1100; // what the frames of one block take (2 samples are left out)
constexpr int kBlockFrames = 7;

DriftStretcher Started(int capacity = kCapacity) {
    DriftStretcher s(0, 160, 80, 160);
    EXPECT_TRUE(s.Start(8000, 1, 80, 160, capacity));
    return s;
}

// Stretches input in a buffer with room for six times its length and returns the result.
Samples StretchCopy(DriftStretcher& s, const Samples& input, int target, int queued) {
    Samples buffer(input.size() * 6, int16_t{-7777});
    std::copy(input.begin(), input.end(), buffer.begin());
    const int length = s.Stretch(buffer, static_cast<int>(input.size()), target, queued);
    EXPECT_GE(length, 0);
    EXPECT_LE(length, static_cast<int>(buffer.size()));
    buffer.resize(std::max(length, 0));
    return buffer;
}

Samples Shrink(DriftStretcher& s, const Samples& input, int by) {
    return StretchCopy(s, input, kQueueHigh, kQueueHigh + by);
}
Samples Grow(DriftStretcher& s, const Samples& input, int by) {
    return StretchCopy(s, input, kQueueLow, kQueueLow - by);
}

Samples Noise(int n, int amplitude, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(-amplitude, amplitude);
    Samples out(n);
    for (auto& x : out)
        x = static_cast<int16_t>(value(rng));
    return out;
}

Samples Ramp(int n, int first = 0) {
    Samples out(n);
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<int16_t>(first + i);
    return out;
}

Samples Sine(int n, double amplitude, double period, double phase) {
    Samples out(n);
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<int16_t>(
            std::lround(amplitude * std::sin(phase + 6.283185307 * i / period)));
    return out;
}

// Voiced syllables (eight harmonics of a gliding 110..230 Hz voice under a raised-cosine
// envelope) separated by pauses that hold only a faint noise floor of +-2.
Samples SpeechLike(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Samples out(n);
    int i = 0;
    double phase = 0;
    while (i < n) {
        const int pause = 4410 + static_cast<int>(unit(rng) * 13000);
        for (int k = 0; k < pause && i < n; ++k, ++i)
            out[i] = static_cast<int16_t>(static_cast<int>(unit(rng) * 5) - 2);
        const int syllable = 6615 + static_cast<int>(unit(rng) * 6615);
        const double f0 = 110 + unit(rng) * 120;
        const double peak = 3000 + unit(rng) * 9000;
        for (int k = 0; k < syllable && i < n; ++k, ++i) {
            const double t = static_cast<double>(k) / syllable;
            phase += 6.283185307 * f0 * (1.0 + 0.2 * t) / 44100;
            double v = 0;
            for (int h = 1; h <= 8; ++h)
                v += std::sin(h * phase) / h;
            out[i] = static_cast<int16_t>(
                std::lround(peak * 0.5 * (1 - std::cos(6.283185307 * t)) * v / 2.8));
        }
    }
    return out;
}

// True when out is made of in's samples in their order, each used once or repeated.
bool DrawnInOrderFrom(const Samples& out, const Samples& in) {
    size_t pos = 0;
    for (int16_t y : out) {
        while (pos < in.size() && in[pos] != y)
            ++pos;
        if (pos == in.size())
            return false;
    }
    return true;
}

int LargestStep(const Samples& x, int span) {
    int largest = 0;
    for (size_t i = 0; i + span < x.size(); ++i)
        largest = std::max(largest, std::abs(x[i + span] - x[i]));
    return largest;
}

TEST(DriftStretcherStart, RefusesAnythingButTheFixedFormatWithRoomForFourFrames) {
    DriftStretcher s;
    EXPECT_FALSE(s.Start(8000, 1, 80, 160, 639));
    EXPECT_FALSE(s.Started());
    EXPECT_TRUE(s.Start(8000, 1, 80, 160, 640));
    EXPECT_EQ(s.Capacity(), 640);
    EXPECT_FALSE(s.Start(44100, 1, 80, 160, 6000));
    EXPECT_FALSE(s.Started()); // a refusal stops a started stretcher
    EXPECT_FALSE(s.Start(8000, 2, 80, 160, 6000));
    EXPECT_FALSE(s.Start(8000, 1, 79, 160, 6000));
    EXPECT_FALSE(s.Start(8000, 1, 80, 641, 6000));
    EXPECT_FALSE(s.Start(8000, 1, 160, 80, 6000)); // an empty frame range
    EXPECT_TRUE(s.Start(8000, 1, 80, 640, 2560));

    EXPECT_THROW(DriftStretcher(1, 160, 80, 160), std::invalid_argument);
    EXPECT_THROW(DriftStretcher(0, 320, 80, 320), std::invalid_argument);
    EXPECT_THROW(DriftStretcher(0, 150, 80, 160), std::invalid_argument);
    EXPECT_THROW(DriftStretcher(0, 160, 60, 160), std::invalid_argument);
}

TEST(DriftStretcherFrames, NotStartedLeavesTheBlockAlone) {
    DriftStretcher s;
    s.Start(8000, 1, 80, 160, 100); // refused
    Samples buffer = Noise(500, 100, 1);
    const Samples before = buffer;
    EXPECT_EQ(s.Stretch(buffer, 470, kQueueHigh, kQueueHigh + 50), 470);
    EXPECT_EQ(s.Stretch(buffer, 900, kQueueLow, kQueueLow - 50), 500); // clamped to the buffer
    EXPECT_EQ(buffer, before);
}

TEST(DriftStretcherFrames, ShortRestsAreLeftOut) {
    DriftStretcher s = Started();
    Samples buffer = Noise(300, 20000, 2);
    EXPECT_EQ(s.Stretch(buffer, 0, kQueueHigh, kQueueHigh + 10), 0);
    EXPECT_EQ(s.Stretch(buffer, 19, kQueueHigh, kQueueHigh + 10), 0);
    EXPECT_EQ(s.Stretch(buffer, -5, kQueueHigh, kQueueHigh + 10), 0);
    // Loud noise keeps its length, so the counts show which samples formed frames.
    EXPECT_EQ(s.Stretch(buffer, 90, kQueueHigh, kQueueHigh + 10), 80);
    EXPECT_EQ(s.Stretch(buffer, 179, kQueueHigh, kQueueHigh + 10), 160);
    EXPECT_EQ(s.Stretch(buffer, 239, kQueueHigh, kQueueHigh + 10), 160); // rest 60 < 80
    EXPECT_EQ(s.Stretch(buffer, 259, kQueueHigh, kQueueHigh + 10), 240);

    const Samples input = Ramp(90);
    Samples same = input;
    EXPECT_EQ(s.Stretch(same, 90, kQueueLow, kQueueLow), 80); // diff 0: frames unchanged
    EXPECT_TRUE(std::equal(input.begin(), input.begin() + 80, same.begin()));
}

TEST(DriftStretcherFrames, SilenceChangesByTheRequestUpToAWholeFrame) {
    DriftStretcher s = Started();
    const Samples silence(160, 0);
    EXPECT_EQ(Shrink(s, silence, 50).size(), 110u);
    EXPECT_EQ(Shrink(s, silence, 200).size(), 0u);
    EXPECT_EQ(Grow(s, silence, 50), Samples(210, 0));
    EXPECT_EQ(Grow(s, silence, 500).size(), 320u); // each subframe at most doubles
    EXPECT_EQ(Shrink(s, Samples(90, 0), 30).size(), 50u);
}

TEST(DriftStretcherFrames, LoudNoiseIsNeverChanged) {
    DriftStretcher s = Started();
    const Samples noise = Noise(kBlock, 12000, 3);
    const Samples frames(noise.begin(), noise.begin() + kBlockInput);
    EXPECT_EQ(Shrink(s, noise, 100), frames);
    EXPECT_EQ(Grow(s, noise, 100), frames);
}

TEST(DriftStretcherFrames, NearlyFullQueueDropsFramesThatDoNotFitTwice) {
    // capacity - queued = 240: a frame of 160 needs 320 and is dropped, the rest frame of 80
    // needs 160 and is still stretched.
    DriftStretcher s = Started(640);
    const Samples input = Ramp(240);
    const Samples out = StretchCopy(s, input, 370, 400);
    ASSERT_EQ(out.size(), 50u);
    EXPECT_TRUE(DrawnInOrderFrom(out, Samples(input.begin() + 160, input.end())));
    EXPECT_TRUE(
        StretchCopy(s, Noise(160, 12000, 4), 370, 400).empty()); // dropped whatever its class
}

TEST(DriftStretcherAmounts, StrongRowWhenTheQueueIsFarBeyondItsThreshold) {
    // Alternating +-180 scores about 2.5e7 in every subframe: class 2, which only the strong
    // row stretches (by 10 per subframe).
    Samples alternating(160);
    for (int i = 0; i < 160; ++i)
        alternating[i] = static_cast<int16_t>(i % 2 ? -180 : 180);
    DriftStretcher shrinking = Started(10000);
    EXPECT_EQ(StretchCopy(shrinking, alternating, 2000, 8400).size(), 160u); // 6400 = 0.8 x 8000
    EXPECT_EQ(StretchCopy(shrinking, alternating, 2000, 8401).size(), 80u);
    DriftStretcher growing = Started(6000);
    EXPECT_EQ(StretchCopy(growing, alternating, 5000, 4200).size(), 160u); // 800 = 0.8 x 1000
    EXPECT_EQ(StretchCopy(growing, alternating, 5000, 4199).size(), 240u);
}

TEST(DriftStretcherAmounts, AClassHoldsOnlyScoresBelowItsBound) {
    // Subframes of 1000 followed by subframes of 0 score exactly 20000 x 1000 = 2e7: class 2,
    // which the normal row leaves alone.
    Samples square;
    for (int j = 0; j < 8; ++j)
        square.insert(square.end(), 20, static_cast<int16_t>(j % 2 ? 0 : 1000));
    DriftStretcher s = Started();
    EXPECT_EQ(Shrink(s, square, 20), square);
}

TEST(DriftStretcherAmounts, QuietestSubframesFirstAndTheLaterOneOnEqualScores) {
    // One constant per subframe: the score is 20|v| x |v - next v|, so subframes 2 (7 then 7)
    // and 7 (the last) score 0, then 0 (100), 1 (120), 4 (180) and so on.
    const int levels[8] = {5, 6, 7, 7, 9, 10, 11, 12};
    Samples frame;
    for (int v : levels)
        frame.insert(frame.end(), 20, static_cast<int16_t>(v));
    auto count = [](const Samples& x, int v) { return std::count(x.begin(), x.end(), v); };

    DriftStretcher s = Started();
    EXPECT_EQ(Shrink(s, frame, 20), Samples(frame.begin(), frame.begin() + 140));
    const Samples out = Shrink(s, frame, 50); // 20 from subframe 7, 20 from 2, 10 from 0
    ASSERT_EQ(out.size(), 110u);
    EXPECT_EQ(count(out, 5), 10);
    EXPECT_EQ(count(out, 7), 20);
    EXPECT_EQ(count(out, 12), 0);
    EXPECT_EQ(count(Grow(s, frame, 25), 12), 40);
}

TEST(DriftStretcherAmounts, SubframesAreResampledByPickingSamples) {
    // On a slow ramp the first subframe is the quietest.
    DriftStretcher s = Started();
    const Samples ramp = Ramp(160);
    const Samples shrunk = Shrink(s, ramp, 8);
    const Samples picked{0, 1, 3, 5, 6, 8, 10, 11, 13, 15, 16, 18}; // 20 -> 12 samples
    ASSERT_EQ(shrunk.size(), 152u);
    EXPECT_TRUE(std::equal(picked.begin(), picked.end(), shrunk.begin()));
    EXPECT_TRUE(std::equal(ramp.begin() + 20, ramp.end(), shrunk.begin() + 12));

    const Samples grown = Grow(s, ramp, 8); // 20 -> 28 samples: 8 repeated, none skipped
    ASSERT_EQ(grown.size(), 168u);
    for (int i = 1; i < 28; ++i) {
        EXPECT_GE(grown[i] - grown[i - 1], 0) << i;
        EXPECT_LE(grown[i] - grown[i - 1], 1) << i;
    }
    EXPECT_EQ(grown[27], 19);
    EXPECT_TRUE(std::equal(ramp.begin() + 20, ramp.end(), grown.begin() + 28));
}

TEST(DriftStretcherAmounts, TheLastInputOfThePreviousCallIsHistory) {
    // A silent first subframe before loud noise is cut when silence precedes it, and kept when
    // the previous frame was loud.
    Samples frame(20, 0);
    const Samples loud = Noise(140, 12000, 5);
    frame.insert(frame.end(), loud.begin(), loud.end());
    DriftStretcher s = Started();
    EXPECT_EQ(Shrink(s, frame, 20), loud);
    Shrink(s, Noise(160, 12000, 6), 20);
    EXPECT_EQ(Shrink(s, frame, 20), frame);
}

TEST(DriftStretcherRoom, GrowthStopsAtTheEndOfTheBuffer) {
    DriftStretcher s = Started();
    for (int extra : {0, 30}) {
        // Exactly sized, so that a write past the end is caught by the address sanitizer.
        const int n = 330;
        auto storage = std::make_unique<int16_t[]>(n + extra);
        std::span<int16_t> buffer(storage.get(), static_cast<size_t>(n + extra));
        std::fill(buffer.begin(), buffer.end(), int16_t{0});
        // Two frames of 160 (the last 10 samples are left out) wanting 100 more each.
        EXPECT_EQ(s.Stretch(buffer, n, kQueueLow, kQueueLow - 100), n + extra);
        EXPECT_EQ(s.Stretch(buffer, n + 50, kQueueHigh, kQueueHigh + 10), 300); // n clamped
    }
    // A ramp that cannot grow keeps every sample in its place.
    Samples ramp = Ramp(480);
    const Samples before = ramp;
    EXPECT_EQ(s.Stretch(ramp, 480, kQueueLow, kQueueLow - 100), 480);
    EXPECT_EQ(ramp, before);
}

TEST(DriftStretcherSplices, RampKeepsItsOrderAcrossManyFramesAndBlocks) {
    // Each frame may change by up to 100 samples; the ramp is quiet enough to allow it all.
    DriftStretcher s = Started();
    for (int block = 0; block < 20; ++block) {
        const Samples input = Ramp(kBlock, block * 50);
        const Samples frames(input.begin(), input.begin() + kBlockInput);
        const Samples grown = Grow(s, input, 100);
        EXPECT_EQ(grown.size(), static_cast<size_t>(kBlockInput + kBlockFrames * 100));
        EXPECT_TRUE(std::is_sorted(grown.begin(), grown.end()));
        EXPECT_TRUE(std::includes(grown.begin(), grown.end(), frames.begin(), frames.end()));
        EXPECT_TRUE(DrawnInOrderFrom(grown, frames));
        const Samples shrunk = Shrink(s, input, 100);
        EXPECT_EQ(shrunk.size(), static_cast<size_t>(kBlockInput - kBlockFrames * 100));
        EXPECT_TRUE(std::adjacent_find(shrunk.begin(), shrunk.end(), std::greater_equal<>()) ==
                    shrunk.end());
        EXPECT_TRUE(std::includes(frames.begin(), frames.end(), shrunk.begin(), shrunk.end()));
    }
}

TEST(DriftStretcherSplices, SmoothSineStaysSmoothAroundEveryCut) {
    // A quiet sine is stretchable everywhere. Growing only repeats samples, so no step may
    // exceed the sine's own; shrinking by at most 10 per subframe skips at most one sample.
    DriftStretcher s = Started();
    for (int block = 0; block < 40; ++block) {
        const Samples input = Sine(kBlock, 300, 173, block * 0.7);
        const Samples grown = Grow(s, input, 37);
        EXPECT_EQ(grown.size(), static_cast<size_t>(kBlockInput + kBlockFrames * 37));
        EXPECT_LE(LargestStep(grown, 1), LargestStep(input, 1)) << block;
        const Samples shrunk = Shrink(s, input, 10);
        EXPECT_EQ(shrunk.size(), static_cast<size_t>(kBlockInput - kBlockFrames * 10));
        EXPECT_LE(LargestStep(shrunk, 1), LargestStep(input, 2)) << block;
    }
}

// Speech-like signal and loud white noise, block after block as the output sees them.
void CheckSpeechRun(bool grow, int by) {
    Samples signal = SpeechLike(300 * kBlock, grow ? 11 : 12);
    const Samples noise = Noise(40 * kBlock, 9000, 13);
    signal.insert(signal.end(), noise.begin(), noise.end());

    DriftStretcher s = Started();
    int exactBlocks = 0;
    int changedBlocks = 0;
    for (size_t start = 0; start + kBlock <= signal.size(); start += kBlock) {
        const Samples input(signal.begin() + start, signal.begin() + start + kBlock);
        const Samples frames(input.begin(), input.begin() + kBlockInput);
        const Samples out = grow ? Grow(s, input, by) : Shrink(s, input, by);
        const int change = static_cast<int>(out.size()) - kBlockInput;
        ASSERT_TRUE(DrawnInOrderFrom(out, frames)) << start;
        ASSERT_LE(std::abs(change), kBlockFrames * by) << start;
        ASSERT_TRUE(grow ? change >= 0 : change <= 0) << start;
        changedBlocks += change != 0;

        // Within a pause every frame changes by the request.
        const bool pause =
            std::all_of(frames.begin(), frames.end(), [](int16_t x) { return std::abs(x) <= 2; });
        if (pause) {
            ++exactBlocks;
            ASSERT_EQ(std::abs(change), kBlockFrames * by) << start;
        }
        if (start >= 300u * kBlock) {
            ASSERT_EQ(out, frames) << start; // loud noise
        }
    }
    EXPECT_GT(exactBlocks, 20);
    EXPECT_GT(changedBlocks, exactBlocks);
}

TEST(DriftStretcherSpeech, GrowingRun) {
    CheckSpeechRun(true, 30);
}
TEST(DriftStretcherSpeech, ShrinkingRun) {
    CheckSpeechRun(false, 30);
}

} // namespace
