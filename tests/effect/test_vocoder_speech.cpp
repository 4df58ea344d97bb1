// Pitch of a spoken sentence through Brevo and Spectro, measured by our own estimator and
// cross-checked with aubiopitch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "effect/effect.h"
#include "effect_test_env.h"
#include "pitch_estimate.h"
#include "program_dir.h"
#include "sound/wave.h"

namespace {

using testeffect::FramePitches;
using testeffect::MedianRatio;

// The vocoder's delay at N = 4096: one frame less one sample.
constexpr std::size_t kDelay = 4095;

std::vector<std::int16_t> Samples(const Wave& wave) {
    std::vector<std::int16_t> samples(wave.data.size() / 2);
    std::memcpy(samples.data(), wave.data.data(), samples.size() * 2);
    return samples;
}

// A sentence spoken by espeak-ng, in the mixing format.
bool Speak(const std::string& path) {
    const std::string raw = path + ".raw.wav";
    const std::string command = "espeak-ng -w '" + raw +
                                "' 'The quick brown fox jumps over the lazy dog while the voice "
                                "changer listens.' && sox '" +
                                raw + "' -r 44100 -c 1 -b 16 '" + path + "'";
    return std::system(command.c_str()) == 0;
}

// aubiopitch's estimate of a WAV file, one value per 256 samples (0 where it hears no pitch).
std::vector<double> AubioPitches(const std::string& path) {
    const std::string command = "aubiopitch -i '" + path + "' -p yin -H 256 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::vector<double> pitches;
    if (pipe == nullptr) {
        return pitches;
    }
    double time = 0.0, pitch = 0.0;
    while (std::fscanf(pipe, "%lf %lf", &time, &pitch) == 2) {
        pitches.push_back(pitch > 40.0 && pitch < 800.0 ? pitch : 0.0);
    }
    pclose(pipe);
    return pitches;
}

class VocoderSpeech : public ::testing::Test {
protected:
    void SetUp() override {
        speech_ = env_.Dir().File("speech.wav");
        ASSERT_TRUE(Speak(speech_)) << "espeak-ng and sox are needed";
        ASSERT_EQ(input_.ReadFromFile(speech_), kWaveSuccess);
        inputPitches_ = FramePitches(Samples(input_));
        inputAubio_ = AubioPitches(speech_);
    }

    // The sentence through the plug-in at eight overlaps and N = 4096 (a low voice's harmonics
    // lie closer together than the default N = 1024 resolves) with the pitch value given; returns
    // the median pitch ratio (output to input) by our estimator and by aubiopitch.
    std::pair<double, double> Ratios(const std::string& plugin, float pitch) {
        PnAudioEffect effect;
        EXPECT_EQ(effect.Load(testsupport::ProgramDir() + "effects/" + plugin + ".so", true),
                  kVstSuccess);
        effect.SetParameter(0, 1.0f);
        effect.SetParameter(1, 0.8f);
        effect.SetParameter(5, pitch);
        Wave output = input_;
        const std::uint32_t block = 1102 * 2;
        for (std::uint32_t start = 0; start + block <= output.Size(); start += block) {
            effect.ProcessMono(output.data.data() + start, block);
        }
        const std::string path = env_.Dir().File(plugin + "-shifted.wav");
        EXPECT_EQ(output.WriteToFile(path), kWaveSuccess);
        const double ours =
            MedianRatio(inputPitches_, FramePitches(Samples(output)),
                        (kDelay + testeffect::kPitchHop / 2) / testeffect::kPitchHop);
        const double aubio = MedianRatio(inputAubio_, AubioPitches(path), (kDelay + 128) / 256);
        return {ours, aubio};
    }

    testeffect::EffectTestEnv env_;
    std::string speech_;
    Wave input_;
    std::vector<double> inputPitches_;
    std::vector<double> inputAubio_;
};

TEST_F(VocoderSpeech, SentenceMovesByTheFactorAndBySemitones) {
    const struct {
        const char* plugin;
        float pitch;
        double factor;
    } cases[] = {{"Brevo", 1.75f / 3.75f, 2.0},
                 {"Spectro", 0.75f, 2.0},
                 {"Brevo", 0.2f, 1.0},
                 {"Spectro", 0.25f, 0.5},
                 {"Spectro", 0.5f + 7.0f / 48, std::pow(2.0, 7.0 / 12)}};
    for (const auto& c : cases) {
        const auto [ours, aubio] = Ratios(c.plugin, c.pitch);
        EXPECT_NEAR(ours, c.factor, c.factor * 0.01) << c.plugin << " " << c.pitch;
        EXPECT_NEAR(aubio, c.factor, c.factor * 0.01) << c.plugin << " " << c.pitch;
    }
}

} // namespace
