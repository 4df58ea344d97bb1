// The sounds the voice server mixes into its outputs: a SoundSlot holds one decoded sound in the
// stream format with a play cursor, a volume and an active flag; a SoundList is a fixed row of
// slots (3 looping background sounds, or 60 one-shot fun sounds) that mixes a slot into a block
// from a position of its own, so that the same sound runs independently on two outputs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SoundSlot {
public:
    explicit SoundSlot(bool loop) : loop_(loop) {}

    // Empties the slot, then reads the WAV file and converts it to the stream format (16-bit
    // mono, 44100 Hz). Returns 0, or the WAV error code with the slot left empty.
    std::uint32_t Load(const std::string& path);
    // Empties the slot and switches it off.
    void Unload();

    bool IsLoaded() const { return loaded_; }
    bool Loops() const { return loop_; }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(samples_.size()); }
    // The file-name part of an absolute path; empty for any other path.
    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }

    // Single values that the command threads write and the engine thread reads.
    bool IsActive() const { return active_.load(std::memory_order_relaxed); }
    void SetActive(bool active) { active_.store(active, std::memory_order_relaxed); }
    float Volume() const { return volume_.load(std::memory_order_relaxed); }
    void SetVolume(float factor) { volume_.store(factor, std::memory_order_relaxed); }

    // Mixes the slot into samples values of buffer starting at position (a looping slot wraps a
    // position past its end, a one-shot slot has ended there) when it is active and holds data;
    // each value is added as trunc(sample × volume), saturated to 16 bits. Returns the position
    // after the block (the count once a one-shot sound has ended); sets finished when a one-shot
    // sound that was active has ended, which also switches it off. Real-time code: no allocation.
    std::uint32_t Mix(std::uint32_t position, std::int16_t* buffer, std::uint32_t samples,
                      bool& finished);

private:
    static constexpr std::uint32_t kEnded = 0xFFFFFFFFu; // the cursor of an ended sound

    const bool loop_;
    std::vector<std::int16_t> samples_;
    std::uint32_t cursor_ = kEnded;
    std::atomic<bool> active_{false};
    std::atomic<float> volume_{1.0f};
    std::string name_;
    std::string path_;
    bool loaded_ = false;
};

class SoundList {
public:
    SoundList(std::size_t count, bool loop);
    virtual ~SoundList() = default;

    std::size_t Size() const { return slots_.size(); }
    SoundSlot& operator[](std::size_t index) { return *slots_[index]; }

    // Mixes slot index into the block from position and returns the new position; a one-shot
    // sound that ends is reported through OnSoundFinished.
    std::uint32_t Mix(std::size_t index, std::uint32_t position, std::int16_t* buffer,
                      std::uint32_t samples);

protected:
    // A one-shot sound ended (called from Mix, on the mixing thread).
    virtual void OnSoundFinished(std::size_t index) { (void)index; }

private:
    std::vector<std::unique_ptr<SoundSlot>> slots_;
};
