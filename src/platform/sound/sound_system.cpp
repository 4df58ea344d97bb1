#include "platform/sound/sound_system.h"

#include <atomic>

#include "platform/sound/sound_server.h"

namespace {
std::atomic<SoundSystem*> installed{nullptr};
}

SoundSystem& CurrentSoundSystem() {
    SoundSystem* system = installed.load();
    return system != nullptr ? *system : platform::SoundServerSystem();
}

void SetSoundSystem(SoundSystem* system) {
    installed.store(system);
}
