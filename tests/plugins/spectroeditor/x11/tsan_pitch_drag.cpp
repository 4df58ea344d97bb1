// A drag on Spectro's pitch slider while another thread processes audio, as a host does it: the
// heard pitch follows the slider without clicks in the sound. This program is built with
// ThreadSanitizer (with the effect and its editor), which fails it on any data race between the
// editor's thread, the host's window thread and the processing thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "effect_entry.h"
#include "pitch_estimate.h"
#include "spectro_controls.h"
#include "spectro_effect.h"
#include "xlib_host.h"

namespace {

constexpr double kRate = 44100;
constexpr int kBlock = 256;
constexpr double kTone = 220;

AEffect* SpectroEntry(audioMasterCallback host) {
    return EffectEntry(host,
                       [](audioMasterCallback h) -> EffectBase* { return new SpectroEffect(h); });
}

// The fundamental of heard[from, to), as the pitch tests estimate it.
double Frequency(const std::vector<float>& heard, std::size_t from, std::size_t to) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = from; i < to; ++i)
        samples.push_back(static_cast<std::int16_t>(std::clamp(heard[i], -1.0f, 1.0f) * 32767));
    return testeffect::MedianPitch(samples);
}

TEST(SpectroPitchDrag, FollowsTheSliderWithoutClicksWhileAudioIsProcessed) {
    XlibHost host(&SpectroEntry);
    ASSERT_NE(host.display(), nullptr);
    AEffect* effect = host.effect();
    ASSERT_NE(effect, nullptr);
    effect->setParameter(effect, spectro::kOverlapsParam, 1.0f); // eight streams: a clean tone
    ASSERT_EQ(host.openEditor(), 1);
    host.idle();

    // The processing thread: a steady tone through the effect, block after block, about as
    // fast as a sound card asks for it. Its buffers are made before it starts.
    std::vector<float> heard(static_cast<std::size_t>(kRate * 30));
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> in(kBlock), left(kBlock), right(kBlock);
        float* inputs[] = {in.data()};
        float* outputs[] = {left.data(), right.data()};
        double phase = 0;
        std::size_t at = 0;
        while (!stop.load() && at + kBlock <= heard.size()) {
            for (float& sample : in) {
                sample = static_cast<float>(0.3 * std::sin(phase));
                phase += 2 * M_PI * kTone / kRate;
            }
            effect->processReplacing(effect, inputs, outputs, kBlock);
            std::copy(left.begin(), left.end(), heard.begin() + static_cast<long>(at));
            at += kBlock;
            done.store(at);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    auto idleFor = [&](std::size_t samples) {
        const std::size_t until = done.load() + samples;
        while (done.load() < until && !stop.load())
            host.idleUntil([&] { return done.load() >= until; });
    };

    idleFor(static_cast<std::size_t>(kRate)); // the vocoder settles on the tone
    const std::size_t dragAt = done.load();
    // The pitch handle from the middle up by a quarter of its travel: about +12 semitones.
    const spectro::Rect pitch = spectro::SpecOf(spectro::ControlId::PitchSlider).rect;
    const int handleMiddle = spectro::HandleTopFor(0.5f) + spectro::kHandleHeight / 2;
    const int travel = spectro::kHandleBottom - spectro::kHandleTop;
    host.drag((pitch.left + pitch.right) / 2, handleMiddle, (pitch.left + pitch.right) / 2,
              handleMiddle - travel / 4);
    EXPECT_TRUE(
        host.idleUntil([&] { return effect->getParameter(effect, spectro::kPitchParam) > 0.7f; }));
    const float value = effect->getParameter(effect, spectro::kPitchParam);
    idleFor(static_cast<std::size_t>(kRate));
    stop.store(true);
    audio.join();
    host.closeEditor();

    const std::size_t end = done.load();
    ASSERT_GT(end, dragAt + static_cast<std::size_t>(kRate / 2));
    const double before = Frequency(heard, dragAt - static_cast<std::size_t>(kRate / 2), dragAt);
    const double after = Frequency(heard, end - static_cast<std::size_t>(kRate / 2), end);
    const double expected = kTone * std::pow(2.0, 48.0 * (value - 0.5) / 12.0);
    EXPECT_NEAR(before, kTone, kTone * 0.03);
    EXPECT_NEAR(after, expected, expected * 0.03) << "pitch value " << value;

    // No clicks: no step between neighbouring samples beyond what the tone's slope at the
    // higher pitch and full level allows, with room for the vocoder's own ripple.
    float peak = 0, step = 0;
    for (std::size_t i = static_cast<std::size_t>(kRate / 2); i < end; ++i) {
        peak = std::max(peak, std::fabs(heard[i]));
        step = std::max(step, std::fabs(heard[i] - heard[i - 1]));
    }
    const double slope = 2 * M_PI * expected / kRate * peak;
    EXPECT_LT(step, 2.0 * slope) << "largest step " << step << ", peak " << peak;
}

} // namespace
