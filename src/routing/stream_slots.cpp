// The routing stream's slots: effect plug-ins, background sounds and fun sounds.
#include <algorithm>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "base/mlog.h"
#include "platform/thread_priority.h"
#include "routing/stream.h"
#include "routing/stream_internal.h"
#include "sound/wave.h"

namespace {

bool InRange(int slot, int count) {
    return slot >= 0 && slot < count;
}

// Reads and converts a sound on a thread of its own below the audio threads' priority, so that
// a long file takes no processor time the engine and the sound server's client need.
// Command thread; may block.
std::uint32_t ReadSoundInBackground(const std::string& path, SoundSlot::Data& data) {
    std::uint32_t result = kWaveReadError;
    try {
        std::thread reader([&] {
            platform::LowerCurrentThreadPriority();
            result = SoundSlot::Read(path, data);
        });
        reader.join();
    } catch (const std::system_error&) {
        result = SoundSlot::Read(path, data); // no thread to spare: read here
    }
    return result;
}

} // namespace

FunSoundList::FunSoundList(PnIOStream& owner) : SoundList(kFunSoundSlots, false), owner_(owner) {}

// The plug-ins load outside the stream lock (a load may take long and runs plug-in code), are
// swapped in under it, and the old ones unload outside it again: a block never waits for them.
std::uint32_t PnIOStream::LoadEffect(int slot, const std::string& path) {
    if (!InRange(slot, kEffectSlots))
        return kVstLoadError;
    LogPlain("Effect #%u load. Path: %s", static_cast<unsigned>(slot), path.c_str());
    auto monitor = std::make_unique<PnAudioEffect>();
    auto virt = std::make_unique<PnAudioEffect>();
    std::uint32_t result = monitor->Load(path, true);
    if (result == kVstSuccess)
        result = virt->Load(path, true);
    std::vector<float> pendingValues;
    try {
        pendingValues.resize(virt->GetNumParams());
    } catch (const std::bad_alloc&) {
        result = kVstLoadError;
    }
    if (result != kVstSuccess) {
        monitor->UnLoad();
        virt->UnLoad();
    }
    {
        // The work buffers cannot change between making room for their blocks and the swap.
        std::lock_guard<std::mutex> objects(streamObjectsLock_);
        PrepareEffectBlocks(*monitor);
        PrepareEffectBlocks(*virt);
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        EffectSlot& target = effects_[static_cast<std::size_t>(slot)];
        std::swap(target.monitor, monitor);
        std::swap(target.virt, virt);
        target.pendingValues.swap(pendingValues);
        target.pendingCount = 0;
    }
    if (monitor)
        monitor->UnLoad();
    if (virt)
        virt->UnLoad();
    return result;
}

// Lock held: streamObjectsLock_ (the work buffers' size is stable).
void PnIOStream::PrepareEffectBlocks(PnAudioEffect& effect) {
    if (layout_.workBytes != 0 && effect.IsLoaded() && !effect.PrepareBlocks(layout_.workBytes / 2))
        LogWarning("Effect buffers for blocks of %u samples not made", layout_.workBytes / 2);
}

void PnIOStream::UnloadEffect(int slot) {
    if (!InRange(slot, kEffectSlots))
        return;
    std::unique_ptr<PnAudioEffect> monitor;
    std::unique_ptr<PnAudioEffect> virt;
    std::vector<float> pendingValues;
    {
        std::lock_guard<std::recursive_mutex> lock(streamLock_);
        EffectSlot& target = effects_[static_cast<std::size_t>(slot)];
        monitor = std::move(target.monitor);
        virt = std::move(target.virt);
        target.pendingValues.swap(pendingValues);
        target.pendingCount = 0;
    }
    if (virt && virt->IsLoaded())
        LogPlain("Effect #%u unload.", static_cast<unsigned>(slot));
    if (virt)
        virt->UnLoad();
    if (monitor)
        monitor->UnLoad();
}

// Only the values change hands here; the engine thread gives them to the plug-ins before the
// slot's next block (see ApplyEffectParams).
void PnIOStream::SetEffectParams(int slot, const std::vector<EffectParam>& params) {
    if (!InRange(slot, kEffectSlots))
        return;
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    EffectSlot& target = effects_[static_cast<std::size_t>(slot)];
    const std::size_t count = std::min(params.size(), target.pendingValues.size());
    for (std::size_t i = 0; i < count; ++i)
        target.pendingValues[i] = params[i].value;
    target.pendingCount = std::max(target.pendingCount, count);
}

std::string PnIOStream::EffectPath(int slot) {
    if (!InRange(slot, kEffectSlots))
        return {};
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    const EffectSlot& target = effects_[static_cast<std::size_t>(slot)];
    return target.virt && target.virt->IsLoaded() ? target.virt->Path() : std::string();
}

bool PnIOStream::IsEffectLoaded(int slot) {
    if (!InRange(slot, kEffectSlots))
        return false;
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    const EffectSlot& target = effects_[static_cast<std::size_t>(slot)];
    return target.virt && target.virt->IsLoaded();
}

// Sounds are read and converted outside the stream lock and exchanged into their slot under it;
// the previous sound is freed after the lock is released. A block waits for a swap at most.
void PnIOStream::ExchangeSound(SoundSlot& sound, SoundSlot::Data& data, bool active) {
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    sound.Exchange(data);
    sound.SetActive(active);
}

std::uint32_t PnIOStream::LoadBackground(int slot, const std::string& path) {
    if (!InRange(slot, kBackgroundSlots))
        return kWaveOpenError;
    LogPlain("Background sound #%u load. Path: %s", static_cast<unsigned>(slot), path.c_str());
    SoundSlot::Data data;
    const std::uint32_t result = ReadSoundInBackground(path, data);
    // A loaded background is switched on.
    ExchangeSound(backgrounds_[static_cast<std::size_t>(slot)], data, result == kWaveSuccess);
    return result;
}

void PnIOStream::UnloadBackground(int slot) {
    if (!InRange(slot, kBackgroundSlots))
        return;
    SoundSlot::Data previous;
    ExchangeSound(backgrounds_[static_cast<std::size_t>(slot)], previous, false);
    if (previous.loaded)
        LogPlain("Background sound #%u unload.", static_cast<unsigned>(slot));
}

std::string PnIOStream::BackgroundName(int slot) {
    if (!InRange(slot, kBackgroundSlots))
        return {};
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    SoundSlot& sound = backgrounds_[static_cast<std::size_t>(slot)];
    return sound.IsLoaded() ? sound.Name() : std::string();
}

std::uint32_t PnIOStream::LoadFun(int slot, const std::string& path) {
    if (!InRange(slot, kFunSoundSlots))
        return kWaveOpenError;
    LogPlain("Fun sound #%u load. Path: %s", static_cast<unsigned>(slot), path.c_str());
    SoundSlot::Data data;
    const std::uint32_t result = ReadSoundInBackground(path, data);
    ExchangeSound(funSounds_[static_cast<std::size_t>(slot)], data, false);
    return result;
}

void PnIOStream::UnloadFun(int slot) {
    if (!InRange(slot, kFunSoundSlots))
        return;
    SoundSlot::Data previous;
    ExchangeSound(funSounds_[static_cast<std::size_t>(slot)], previous, false);
    if (previous.loaded)
        LogPlain("Fun sound #%u unload.", static_cast<unsigned>(slot));
}

void PnIOStream::SetBackgroundVolume(int slot, std::uint8_t volume) {
    if (!InRange(slot, kBackgroundSlots))
        return;
    const float factor = static_cast<float>(volume > 100 ? 100 : volume) * 0.01f;
    SoundSlot& sound = backgrounds_[static_cast<std::size_t>(slot)];
    sound.SetVolume(factor);
    sound.SetActive(factor != 0.0f);
}

void PnIOStream::PlayFun(int slot) {
    if (!InRange(slot, kFunSoundSlots))
        return;
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    const auto index = static_cast<std::size_t>(slot);
    funPos_[kStreamMonitor][index] = 0;
    funPos_[kStreamVirtual][index] = 0;
    SoundSlot& sound = funSounds_[index];
    if (!sound.IsLoaded() || sound.Count() == 0)
        PulseFunSoundEvent();
    sound.SetActive(true);
}

void PnIOStream::StopFun(int slot) {
    if (!InRange(slot, kFunSoundSlots))
        return;
    std::lock_guard<std::recursive_mutex> lock(streamLock_);
    const auto index = static_cast<std::size_t>(slot);
    funSounds_[index].SetActive(false);
    funPos_[kStreamMonitor][index] = 0;
    funPos_[kStreamVirtual][index] = 0;
}

void PnIOStream::StopAllFun() {
    for (int i = 0; i < kFunSoundSlots; ++i)
        StopFun(i);
}

std::vector<bool> PnIOStream::FunStatus() {
    std::vector<bool> status(kFunSoundSlots);
    for (std::size_t i = 0; i < status.size(); ++i)
        status[i] = funSounds_[i].IsActive();
    return status;
}
