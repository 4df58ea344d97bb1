#include "routing/sound_slot.h"

#include <cstring>
#include <utility>

#include "effect/effect_library.h"
#include "sound/wave.h"

std::uint32_t SoundSlot::Read(const std::string& path, Data& data) {
    data = Data{};
    data.name = ImportFileName(path);
    data.path = path;
    Wave wave;
    const WaveErrorNum read = wave.ReadFromFile(path);
    if (read != kWaveSuccess)
        return read;
    // A file in another format is converted here rather than played at the wrong speed.
    if (wave.ConvertToOneChanel16Bit() != 0)
        return kWaveFormatError;
    data.samples.resize(wave.data.size() / 2);
    if (!data.samples.empty())
        std::memcpy(data.samples.data(), wave.data.data(), data.samples.size() * 2);
    data.loaded = true;
    return kWaveSuccess;
}

void SoundSlot::Exchange(Data& data) {
    SetActive(false);
    samples_.swap(data.samples);
    name_.swap(data.name);
    path_.swap(data.path);
    std::swap(loaded_, data.loaded);
    cursor_ = samples_.empty() ? kEnded : 0;
}

std::uint32_t SoundSlot::Load(const std::string& path) {
    Data data;
    const std::uint32_t result = Read(path, data);
    Exchange(data);
    return result;
}

void SoundSlot::Unload() {
    Data empty;
    Exchange(empty);
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
