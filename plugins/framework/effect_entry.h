// The entry point of an effect plug-in: the one function its shared object exports.
#pragma once

#include "effect/aeffect.h"

class EffectBase;

// Creates the effect object of a plug-in; nullptr when it could not.
using EffectFactory = EffectBase* (*)(audioMasterCallback host);

// The entry point's steps: a host that answers 0 to the version query gets no effect; an
// effect that could not be created, or that raised its out-of-memory flag while being
// constructed, is destroyed and the host gets no effect; otherwise the host gets its record.
AEffect* EffectEntry(audioMasterCallback host, EffectFactory create);

// Exports a plug-in's entry point under the symbol name given (the C++ name "main" is taken by
// programs, hence the assembler name).
#define VOXWARP_EFFECT_ENTRY_AS(function, symbol, factory)                                         \
    extern "C" __attribute__((visibility("default"))) AEffect* function(                           \
        audioMasterCallback host) __asm__(symbol);                                                 \
    extern "C" AEffect* function(audioMasterCallback host) {                                       \
        return EffectEntry(host, factory);                                                         \
    }

// The entry point as this system's plug-ins export it: "main".
#define VOXWARP_EFFECT_ENTRY(factory) VOXWARP_EFFECT_ENTRY_AS(VoxwarpEffectMain, "main", factory)
