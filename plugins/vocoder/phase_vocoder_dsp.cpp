// The signal path of PhaseVocoder. Real-time code: nothing here allocates, locks or does I/O.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "nsp.h"
#include "phase_vocoder.h"
#include "vector_math.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2.0 * kPi;

std::int32_t WindowTypeOf(float value) {
    if (value < 0.25f) {
        return PhaseVocoder::kHann;
    }
    if (value < 0.5f) {
        return PhaseVocoder::kHamming;
    }
    if (value < 0.75f) {
        return PhaseVocoder::kBlackman;
    }
    return PhaseVocoder::kBartlett;
}

} // namespace

void PhaseVocoder::BuildWindow() {
    double* window = window_.get();
    nspdbSet(1.0, window, size_);
    switch (windowType_) {
    case kHamming:
        nspdWinHamming(window, size_);
        break;
    case kBlackman:
        nspdWinBlackman(window, size_, -0.16);
        break;
    case kBartlett:
        nspdWinBartlett(window, size_);
        break;
    default:
        nspdWinHann(window, size_);
        break;
    }
}

void PhaseVocoder::BeginBlock() {
    const float windowValue = params_[kWindowType];
    if (!windowSeenSet_ || windowValue != windowSeen_) {
        windowType_ = WindowTypeOf(windowValue);
        if (windowType_ != appliedWindowType_) {
            BuildWindow();
            appliedWindowType_ = windowType_;
        }
        windowSeen_ = windowValue;
        windowSeenSet_ = true;
    }
    const float sizeValue = params_[kFftSize];
    if (!sizeSeenSet_ || sizeValue != sizeSeen_) {
        // Values outside 0..1 stay within the sizes the buffers hold.
        std::int32_t order = static_cast<std::int32_t>(5.0f * sizeValue + 8.0f);
        order = order < 8 ? 8 : (order > 13 ? 13 : order);
        order_ = order;
        size_ = static_cast<std::int32_t>(std::pow(2.0, order));
        bins_ = size_ / 2 + 1;
        sizeSeen_ = sizeValue;
        sizeSeenSet_ = true;
        BuildWindow();
        appliedWindowType_ = windowType_;
        suspend();
    }
    const float overlapsValue = params_[kOverlaps];
    if (overlapsValue != overlapsSeen_) {
        std::int32_t count = static_cast<std::int32_t>(7.0f * overlapsValue + 1.0f);
        count = count < 1 ? 1 : (count > kMaxStreams ? kMaxStreams : count);
        // Streams that start or stop running start again from the beginning of their buffer.
        for (std::int32_t i = std::min(count, overlaps_); i < std::max(count, overlaps_); ++i) {
            positions_[i] = 0;
        }
        overlaps_ = count;
        overlapsSeen_ = overlapsValue;
    }
    // Where each stream starts again, i * N / C, once per block rather than per sample.
    for (std::int32_t i = 0; i < overlaps_; ++i) {
        starts_[i] = i * size_ / overlaps_;
    }
}

double PhaseVocoder::ProcessSample(double input) {
    const std::int32_t count = overlaps_;
    const std::int32_t size = size_;
    for (std::int32_t i = 0; i < count; ++i) {
        double* stream = streams_[i].get();
        stream[positions_[i]++] = input;
        const std::int32_t start = starts_[i];
        if (i == 0) {
            if (positions_[0] == size) {
                positions_[0] = 0;
                Frame(stream);
            }
        } else if (positions_[0] == start) {
            positions_[i] = 0;
            Frame(stream);
        }
        if (positions_[i] >= size) {
            positions_[i] = start;
        }
    }
    double sum = 0.0;
    for (std::int32_t i = 0; i < count; ++i) {
        sum += streams_[i][positions_[i]];
    }
    return sum;
}

void PhaseVocoder::Frame(double* stream) {
    nspdbMpy2(window_.get(), stream, size_);
    DCplx* spectrum = reinterpret_cast<DCplx*>(work_.get());
    nspdRealFftNip(stream, spectrum, order_, NSP_Forw);
    Analyse();
    Modify();
    Synthesise();
    nspdCcsFftNip(spectrum, stream, order_, NSP_Inv);
    nspdbMpy2(window_.get(), stream, size_);
}

void PhaseVocoder::Analyse() {
    const DCplx* spectrum = reinterpret_cast<const DCplx*>(work_.get());
    nspzbMag(spectrum, magnitude_.get(), bins_);
    nspzbPhase(spectrum, phase_.get(), bins_);
    // The sample rate cancels out of analysis and synthesis; any constant other than 0 will do.
    const double rate = sampleRate_ > 0 ? sampleRate_ : 44100.0;
    const double perBin = rate / size_;
    const double expected = kTwoPi / overlaps_;
    for (std::int32_t k = 0; k < bins_; ++k) {
        double deviation = 0.0;
        if (magnitude_[k] != 0.0) {
            double d = phase_[k] - lastPhase_[k];
            lastPhase_[k] = phase_[k];
            d -= k * expected;
            auto q = static_cast<std::int64_t>(d * 0.3183098861837907);
            q = q > 0 ? q + (q & 1) : q - (q & 1);
            d -= static_cast<double>(q) * 3.141592653589793;
            deviation = d * overlaps_ * 0.15915494309189535;
        }
        anaFrequency_[k] = perBin * (k + deviation);
    }
}

void PhaseVocoder::Modify() {
    const double factor = PitchFactor();
    if (variant_ == VocoderVariant::Spectro) {
        semitones_ = SemitonesOf(params_[kPitch]);
    }
    const double blur = params_[kBlur];
    const double gate = params_[kGate];
    const double spectroGate = 10.0 * std::pow(order_ - 6.5, 4.0) * gate;
    std::memset(synMagnitude_.get(), 0, bins_ * sizeof(double));
    std::memset(synFrequency_.get(), 0, bins_ * sizeof(double));
    for (std::int32_t i = 0; i < bins_; ++i) {
        const double source = std::trunc(i / factor);
        if (source < bins_) {
            const auto src = static_cast<std::int32_t>(source);
            bool muted;
            if (variant_ == VocoderVariant::Brevo) {
                // At bin 0 the threshold is infinite for any gate above 0 and undefined at 0.
                muted = i == 0 ? gate > 0 : order_ * gate * 10.0 / i > magnitude_[i];
            } else {
                muted = i == 0 || !(magnitude_[i] >= spectroGate / i);
            }
            synMagnitude_[i] = muted ? blur * prevMagnitude_[i]
                                     : (1.0 - blur) * magnitude_[src] + blur * prevMagnitude_[i];
            synFrequency_[i] =
                factor * (1.0 - blur) * anaFrequency_[src] + blur * prevFrequency_[i];
            if (synFrequency_[i] == 0.0 && i > 0) {
                synFrequency_[i] = synFrequency_[i - 1];
                synMagnitude_[i] = synMagnitude_[i - 1];
            }
        }
        prevMagnitude_[i] = synMagnitude_[i];
        prevFrequency_[i] = synFrequency_[i];
    }
}

void PhaseVocoder::Synthesise() {
    DCplx* spectrum = reinterpret_cast<DCplx*>(work_.get());
    const double rate = sampleRate_ > 0 ? sampleRate_ : 44100.0;
    const double perBin = rate / size_;
    const double expected = kTwoPi / overlaps_;
    for (std::int32_t k = 0; k < bins_; ++k) {
        // The accumulated phase is kept as the same angle within -pi..pi: the sums stay exact
        // over hours of sound, and the sines of small angles are the fast ones.
        double sum =
            phaseSum_[k] + ((synFrequency_[k] - k * perBin) / perBin) * expected + k * expected;
        sum -= kTwoPi * std::nearbyint(sum * (1.0 / kTwoPi));
        phaseSum_[k] = sum;
    }
    SinCosArray(phaseSum_.get(), sine_.get(), cosine_.get(), bins_);
    for (std::int32_t k = 0; k < bins_; ++k) {
        spectrum[k] = DCplx{synMagnitude_[k] * cosine_[k], synMagnitude_[k] * sine_[k]};
    }
}

void PhaseVocoder::Render(float** inputs, float** outputs, std::int32_t sampleFrames,
                          bool accumulate) {
    const double scale = 2.0 / overlaps_; // C as it was when the block began
    BeginBlock();
    const float* in = inputs[0];
    float* left = outputs[0];
    float* right = outputs[1];
    for (std::int32_t n = 0; n < sampleFrames; ++n) {
        const auto y = static_cast<float>(ProcessSample(in[n]) * scale);
        left[n] = accumulate ? left[n] + y : y;
        right[n] = accumulate ? right[n] + y : y;
    }
}

void PhaseVocoder::process(float** inputs, float** outputs, std::int32_t sampleFrames) {
    Render(inputs, outputs, sampleFrames, true);
}

void PhaseVocoder::processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) {
    Render(inputs, outputs, sampleFrames, false);
}
