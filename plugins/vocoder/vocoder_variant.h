// What tells the two phase-vocoder plug-ins apart: Brevo (a plain pitch factor) and Spectro
// (a pitch in semitones, with an editor window).
#pragma once

#include <cstdint>

enum class VocoderVariant { Brevo, Spectro };

struct VocoderTraits {
    std::int32_t uniqueId;
    float defaultPitch;        // the pitch value of every program at start
    bool suspendClearsStreams; // suspend also empties the eight stream buffers
    std::int32_t interfaceVersion;
};

constexpr VocoderTraits TraitsOf(VocoderVariant variant) {
    return variant == VocoderVariant::Brevo ? VocoderTraits{0x6D626631, 0.25f, false, 2}
                                            : VocoderTraits{0x41446C45, 0.5f, true, 2200};
}
