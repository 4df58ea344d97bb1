// The entry points of Brevo.so and Spectro.so: "main", as this system's host looks it up, and
// "VSTPluginMain", as other hosts on this platform do. VOXWARP_VOCODER_VARIANT names the plug-in.
#include <new>

#include "effect_entry.h"
#include "phase_vocoder.h"

namespace {

EffectBase* CreateVocoder(audioMasterCallback host) {
    return new (std::nothrow) PhaseVocoder(host, VocoderVariant::VOXWARP_VOCODER_VARIANT);
}

} // namespace

VOXWARP_EFFECT_ENTRY_AS(VoxwarpVocoderMain, "main", CreateVocoder)
VOXWARP_EFFECT_ENTRY_AS(VoxwarpVocoderPluginMain, "VSTPluginMain", CreateVocoder)
