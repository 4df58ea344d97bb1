#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "phase_vocoder.h"
#include "vocoder_signal.h"

namespace {

using namespace vocodertest;

// The frequency of bin k at N = 1024 and 44100 Hz.
double BinFrequency(int k) {
    return k * kRate / 1024.0;
}

TEST(VocoderSignal, IdentityKeepsASteadySineAfterTheFrameDelay) {
    PhaseVocoder spectro(nullptr, VocoderVariant::Spectro);
    const std::vector<float> input = Sine(440.0, 44100);
    const std::vector<float> output = Process(spectro, input);
    EXPECT_NEAR(ZeroCrossingFrequency(output, 8192, 44100), 440.0, 440.0 * 0.002);
    // Four Hann-windowed streams, each windowed twice, at the output scale 2/4: three quarters
    // of the input level.
    EXPECT_NEAR(Rms(output, 8192, 44100) / Rms(input, 8192, 44100), 0.75, 0.05);
}

TEST(VocoderSignal, PitchFactorTwoDoublesASine) {
    for (VocoderVariant variant : {VocoderVariant::Brevo, VocoderVariant::Spectro}) {
        PhaseVocoder effect(nullptr, variant);
        effect.setParameter(PhaseVocoder::kPitch,
                            variant == VocoderVariant::Brevo ? 1.75f / 3.75f : 0.75f);
        effect.setParameter(PhaseVocoder::kOverlaps, 1.0f); // eight streams
        EXPECT_NEAR(effect.PitchFactor(), 2.0, 1e-4);
        const std::vector<float> output = Process(effect, Sine(220.0, 44100));
        EXPECT_NEAR(ZeroCrossingFrequency(output, 8192, 44100), 440.0, 440.0 * 0.01);
    }
}

TEST(VocoderSignal, TargetBinsTakeTheirSourceBins) {
    const std::pair<float, int> cases[] = {{1.75f / 3.75f, 2}, {0.0f, 0}};
    for (const auto& [pitch, doubling] : cases) {
        PhaseVocoder effect(nullptr, VocoderVariant::Brevo);
        effect.setParameter(PhaseVocoder::kPitch, pitch);
        Process(effect, Sine(1000.0, 8192));
        const double factor = effect.PitchFactor();
        const double* target = effect.SynthesisFrequencies();
        const double* source = effect.AnalysisFrequencies();
        for (int i = 1; i < effect.Bins(); ++i) {
            const int src = static_cast<int>(i / factor);
            if (src < effect.Bins()) {
                ASSERT_NEAR(target[i], factor * source[src], 1e-9 * std::abs(target[i])) << i;
            } else {
                ASSERT_EQ(target[i], 0.0) << i;
                ASSERT_EQ(effect.SynthesisMagnitudes()[i], 0.0) << i;
            }
        }
        if (doubling == 2) {
            EXPECT_EQ(static_cast<int>(41 / factor), 20);
        } else {
            // F = 0.25: every target reads source 4i; targets with 4i >= bins are silent.
            EXPECT_DOUBLE_EQ(factor, 0.25);
            EXPECT_EQ(effect.SynthesisMagnitudes()[(effect.Bins() + 3) / 4], 0.0);
        }
    }
}

TEST(VocoderSignal, OverlapsSizeAndWindowFollowTheirValuesAtTheNextBlock) {
    PhaseVocoder effect(nullptr, VocoderVariant::Brevo);
    effect.setParameter(PhaseVocoder::kOverlaps, 0.0f);
    effect.setParameter(PhaseVocoder::kFftSize, 1.0f);
    effect.setParameter(PhaseVocoder::kWindowType, 1.0f);
    EXPECT_EQ(effect.Overlaps(), 4); // not before the next block
    Process(effect, std::vector<float>(16, 0.0f));
    EXPECT_EQ(effect.Overlaps(), 1);
    EXPECT_EQ(effect.FftSize(), 8192);
    EXPECT_EQ(effect.Bins(), 4097);
    EXPECT_EQ(effect.Window(), PhaseVocoder::kBartlett);

    const std::pair<float, int> thresholds[] = {{0.75f, PhaseVocoder::kBartlett},
                                                {0.5f, PhaseVocoder::kBlackman},
                                                {0.25f, PhaseVocoder::kHamming},
                                                {0.2499f, PhaseVocoder::kHann}};
    for (const auto& [value, type] : thresholds) {
        effect.setParameter(PhaseVocoder::kWindowType, value);
        Process(effect, std::vector<float>(16, 0.0f));
        EXPECT_EQ(effect.Window(), type) << value;
    }
    effect.setParameter(PhaseVocoder::kOverlaps, 1.0f);
    Process(effect, std::vector<float>(16, 0.0f));
    EXPECT_EQ(effect.Overlaps(), 8);

    // One stream: the output scale is 2, and a sine keeps its frequency at N = 8192.
    PhaseVocoder single(nullptr, VocoderVariant::Spectro);
    single.setParameter(PhaseVocoder::kOverlaps, 0.0f);
    const std::vector<float> output = Process(single, Sine(440.0, 44100));
    EXPECT_EQ(single.Overlaps(), 1);
    EXPECT_GT(Rms(output, 2048, 44100), 0.0);
}

TEST(VocoderSignal, BlurOneFreezesTheSpectrum) {
    PhaseVocoder effect(nullptr, VocoderVariant::Brevo);
    Process(effect, Sine(BinFrequency(30), 8192));
    effect.setParameter(PhaseVocoder::kBlur, 1.0f);
    Process(effect, Sine(BinFrequency(30), 1024));
    const std::vector<double> magnitudes(effect.SynthesisMagnitudes(),
                                         effect.SynthesisMagnitudes() + effect.Bins());
    const std::vector<double> frequencies(effect.SynthesisFrequencies(),
                                          effect.SynthesisFrequencies() + effect.Bins());
    Process(effect, Sine(BinFrequency(90), 8192));
    for (int i = 0; i < effect.Bins(); ++i) {
        ASSERT_EQ(effect.SynthesisMagnitudes()[i], magnitudes[i]) << i;
        ASSERT_EQ(effect.SynthesisFrequencies()[i], frequencies[i]) << i;
    }
}

TEST(VocoderSignal, GateRulesAtBinZeroAndSilentBinsReportTheirCentre) {
    // A constant input: only bin 0 carries energy.
    const std::vector<float> dc(8192, 1000.0f);
    PhaseVocoder brevo(nullptr, VocoderVariant::Brevo);
    brevo.setParameter(PhaseVocoder::kPitch, 0.2f); // F = 1, as Spectro's default
    Process(brevo, dc);
    EXPECT_GT(brevo.SynthesisMagnitudes()[0], 0.0);
    brevo.setParameter(PhaseVocoder::kGate, 0.01f);
    Process(brevo, dc);
    EXPECT_EQ(brevo.SynthesisMagnitudes()[0], 0.0);

    PhaseVocoder spectro(nullptr, VocoderVariant::Spectro);
    Process(spectro, dc);
    EXPECT_EQ(spectro.SynthesisMagnitudes()[0], 0.0);

    // Silence: every magnitude is 0, so every bin reports its centre frequency.
    PhaseVocoder silent(nullptr, VocoderVariant::Spectro);
    Process(silent, std::vector<float>(4096, 0.0f));
    for (int k = 0; k < silent.Bins(); ++k) {
        ASSERT_DOUBLE_EQ(silent.AnalysisFrequencies()[k], BinFrequency(k)) << k;
    }
}

TEST(VocoderSignal, SizeChangeClearsMemoriesAndOnlySpectroForgetsItsStreams) {
    for (VocoderVariant variant : {VocoderVariant::Brevo, VocoderVariant::Spectro}) {
        PhaseVocoder effect(nullptr, variant);
        Process(effect, Sine(440.0, 8000));
        effect.setParameter(PhaseVocoder::kFftSize, 0.0f); // N = 256
        // Silence after the change: what comes out is what the streams kept.
        const std::vector<float> output = Process(effect, std::vector<float>(256, 0.0f), 256);
        EXPECT_EQ(effect.FftSize(), 256);
        if (variant == VocoderVariant::Brevo) {
            EXPECT_GT(Rms(output, 0, 256), 0.0);
        } else {
            EXPECT_EQ(Rms(output, 0, 256), 0.0);
        }
    }
}

} // namespace

namespace {

// process adds to what the outputs hold, processReplacing stores; both outputs get the same.
TEST(VocoderSignal, ProcessAddsAndProcessReplacingStores) {
    PhaseVocoder adding(nullptr, VocoderVariant::Brevo);
    PhaseVocoder storing(nullptr, VocoderVariant::Brevo);
    std::vector<float> input = vocodertest::Sine(300.0, 4096);
    std::vector<float> addLeft(4096, 1.0f), addRight(4096, -1.0f), left(4096), right(4096);
    float* inputs[] = {input.data()};
    float* addOutputs[] = {addLeft.data(), addRight.data()};
    float* outputs[] = {left.data(), right.data()};
    adding.process(inputs, addOutputs, 4096);
    storing.processReplacing(inputs, outputs, 4096);
    EXPECT_EQ(left, right);
    EXPECT_GT(vocodertest::Rms(left, 0, 4096), 0.0);
    for (std::size_t n = 0; n < 4096; ++n) {
        ASSERT_FLOAT_EQ(addLeft[n], left[n] + 1.0f) << n;
        ASSERT_FLOAT_EQ(addRight[n], right[n] - 1.0f) << n;
    }
}

} // namespace
