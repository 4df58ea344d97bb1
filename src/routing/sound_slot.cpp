#include "routing/sound_slot.h"

#include <cstring>

#include "effect/effect_library.h"
#include "sound/wave.h"

std::uint32_t SoundSlot::Load(const std::string& path) {
    Unload();
    name_ = ImportFileName(path);
    path_ = path;
    Wave wave;
    const WaveErrorNum read = wave.ReadFromFile(path);
    if (read != kWaveSuccess) {
        return read;
    }
    // A file in another format is converted here rather than played at the wrong speed.
    if (wave.ConvertToOneChanel16Bit() != 0) {
        return kWaveFormatError;
    }
    samples_.resize(wave.data.size() / 2);
    std::memcpy(samples_.data(), wave.data.data(), samples_.size() * 2);
    cursor_ = samples_.empty() ? kEnded : 0;
    loaded_ = true;
    return kWaveSuccess;
}

void SoundSlot::Unload() {
    cursor_ = kEnded;
    SetActive(false);
    std::vector<std::int16_t>().swap(samples_);
    name_.clear();
    path_.clear();
    loaded_ = false;
}

std::uint32_t SoundSlot::Mix(std::uint32_t position, std::int16_t* buffer, std::uint32_t samples,
                             bool& finished) {
    finished = false;
    const bool wasActive = IsActive();
    const auto count = static_cast<std::uint32_t>(samples_.size());
    if (wasActive && count > 0) {
        if (position >= count) {
            cursor_ = loop_ ? position % count : kEnded;
        } else {
            cursor_ = position;
        }
        const float volume = Volume();
        for (std::uint32_t i = 0; i < samples; ++i) {
            const std::int16_t sample = cursor_ == kEnded ? 0 : samples_[cursor_];
            const auto value = static_cast<std::int16_t>(sample * volume);
            std::int32_t sum = buffer[i] + value;
            sum = sum > 32767 ? 32767 : (sum < -32768 ? -32768 : sum);
            buffer[i] = static_cast<std::int16_t>(sum);
            if (cursor_ != kEnded && ++cursor_ == count) {
                cursor_ = loop_ ? 0 : kEnded;
            }
        }
    }
    if (!loop_ && cursor_ == kEnded) {
        SetActive(false);
        finished = wasActive;
    }
    return cursor_ == kEnded ? count : cursor_;
}

SoundList::SoundList(std::size_t count, bool loop) {
    slots_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        slots_.push_back(std::make_unique<SoundSlot>(loop));
    }
}

std::uint32_t SoundList::Mix(std::size_t index, std::uint32_t position, std::int16_t* buffer,
                             std::uint32_t samples) {
    bool finished = false;
    const std::uint32_t next = slots_[index]->Mix(position, buffer, samples, finished);
    if (finished) {
        OnSoundFinished(index);
    }
    return next;
}
