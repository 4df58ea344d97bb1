#include "effect_entry.h"

#include <new>

#include "effect_base.h"

AEffect* EffectEntry(audioMasterCallback host, EffectFactory create) {
    if (host == nullptr || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0) == 0)
        return nullptr;
    EffectBase* effect = nullptr;
    try {
        effect = create(host);
    } catch (...) {
        // No exception may cross into the host.
        return nullptr;
    }
    if (effect == nullptr)
        return nullptr;
    if (effect->outOfMemory()) {
        delete effect;
        return nullptr;
    }
    return effect->getAeffect();
}
