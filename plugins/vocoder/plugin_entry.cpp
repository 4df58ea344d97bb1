// The entry points of Brevo.so and Spectro.so: "main", as this system's host looks it up, and
// "VSTPluginMain", as other hosts on this platform do. VOXWARP_VOCODER_VARIANT names the plug-in;
// VOXWARP_VOCODER_EDITOR gives it Spectro's editor window.
#include <new>

#include "effect_entry.h"
#include "phase_vocoder.h"
#ifdef VOXWARP_VOCODER_EDITOR
#include "spectro_effect.h"
#endif

namespace {

EffectBase* CreateVocoder(audioMasterCallback host) {
#ifdef VOXWARP_VOCODER_EDITOR
    return new (std::nothrow) SpectroEffect(host);
#else
    return new (std::nothrow) PhaseVocoder(host, VocoderVariant::VOXWARP_VOCODER_VARIANT);
#endif
}

} // namespace

VOXWARP_EFFECT_ENTRY_AS(VoxwarpVocoderMain, "main", CreateVocoder)
VOXWARP_EFFECT_ENTRY_AS(VoxwarpVocoderPluginMain, "VSTPluginMain", CreateVocoder)
