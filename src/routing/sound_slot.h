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
    // An empty slot that loops its sound or plays it once. Any thread.
    explicit SoundSlot(bool loop) : loop_(loop) {}

    // A sound read from its file and converted, ready to be exchanged into a slot; or what a
    // slot held before, to be freed outside the stream lock.
    struct Data {
        std::vector<std::int16_t> samples;
        std::string name;
        std::string path;
        bool loaded = false;
    };

    // Reads the WAV file and converts it to the stream format (16-bit mono, 44100 Hz) into
    // data, without touching any slot. Returns 0, or the WAV error code with data empty (its
    // name and path still set). Command thread; may block.
    static std::uint32_t Read(const std::string& path, Data& data);
    // Puts data into the slot, switched off with its cursor at the start, and leaves the slot's
    // previous sound in data. Swaps only (no allocation, freeing or I/O): call it under the
    // stream lock, and free the previous sound after the lock is released. Any thread.
    void Exchange(Data& data);

    // Empties the slot, then reads the WAV file and converts it to the stream format. Returns 0,
    // or the WAV error code with the slot left empty. Command thread; may block.
    std::uint32_t Load(const std::string& path);
    // Empties the slot and switches it off. Command thread; may block.
    void Unload();

    // Whether a sound is loaded. Any thread.
    bool IsLoaded() const { return loaded_; }
    // Whether the sound loops. Any thread.
    bool Loops() const { return loop_; }
    // Samples of the loaded sound. Any thread.
    std::uint32_t Count() const { return static_cast<std::uint32_t>(samples_.size()); }
    // The file-name part of an absolute path; empty for any other path. Any thread.
    const std::string& Name() const { return name_; }
    // The path the sound was loaded from. Any thread.
    const std::string& Path() const { return path_; }

    // Single values that the command threads write and the engine thread reads.
    // Whether the slot plays. Any thread.
    bool IsActive() const { return active_.load(std::memory_order_relaxed); }
    // Switches the slot on or off. Any thread.
    void SetActive(bool active) { active_.store(active, std::memory_order_relaxed); }
    // The factor each sample is multiplied by. Any thread.
    float Volume() const { return volume_.load(std::memory_order_relaxed); }
    // Sets the factor each sample is multiplied by. Any thread.
    void SetVolume(float factor) { volume_.store(factor, std::memory_order_relaxed); }

    // Mixes the slot into samples values of buffer starting at position (a looping slot wraps a
    // position past its end, a one-shot slot has ended there) when it is active and holds data;
    // each value is added as trunc(sample × volume), saturated to 16 bits. Returns the position
    // after the block (the count once a one-shot sound has ended); sets finished when a one-shot
    // sound that was active has ended, which also switches it off. No allocation.
    // Engine thread; real-time safe.
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
    // A row of count empty slots, all looping or all one-shot. Command thread; may block.
    SoundList(std::size_t count, bool loop);
    // Frees every slot and its sound. Command thread; may block.
    virtual ~SoundList() = default;

    // The number of slots, fixed at construction. Any thread.
    std::size_t Size() const { return slots_.size(); }
    // The slot at index; slots stay where they are for the list's lifetime. Any thread.
    SoundSlot& operator[](std::size_t index) { return *slots_[index]; }

    // Mixes slot index into the block from position and returns the new position; a one-shot
    // sound that ends is reported through OnSoundFinished. Engine thread; real-time safe.
    std::uint32_t Mix(std::size_t index, std::uint32_t position, std::int16_t* buffer,
                      std::uint32_t samples);

protected:
    // A one-shot sound ended (called from Mix, on the mixing thread).
    virtual void OnSoundFinished(std::size_t index) { (void)index; }

private:
    std::vector<std::unique_ptr<SoundSlot>> slots_;
};
