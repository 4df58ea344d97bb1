// Drift compensation for one playback output: makes a block of 16-bit mono samples shorter or
// longer by a requested number of samples, cutting or repeating material where the signal is
// quietest and smoothest so that the change is hard to hear.
//
// The block is worked in frames of 160 samples, each frame in subframes of 20 samples. Every
// subframe gets a score (loudness x roughness) and a quietness class 0..10; the quietest
// subframes of a frame are resampled to fewer or more samples until the frame has changed by the
// requested amount or its classes allow no more.
#pragma once

#include <array>
#include <cstdint>
#include <span>

class DriftStretcher {
public:
    static constexpr int kSubframe = 20;      // samples per subframe
    static constexpr int kHistory = 60;       // input samples kept from the previous frame
    static constexpr int kLongestFrame = 160; // storage limit for the frame settings
    static constexpr int kClasses = 11;       // quietness classes 0..10

    // Settings in their stored order. A stretcher is started only by Start, so started must be
    // 0; the frame lengths must be multiples of 20 with 80 <= minimumFrame <= frameLength <=
    // maximumFrame <= 160. Other settings throw std::invalid_argument.
    // Command thread; may block.
    explicit DriftStretcher(int started = 0, int frameLength = 160, int minimumFrame = 80,
                            int maximumFrame = 160);

    // Accepts only sampleRate 8000, one channel, minimumFrame >= 80, minimumFrame <=
    // maximumFrame <= 640 and capacity >= 4 x maximumFrame; then stores capacity (the output's
    // total buffer capacity in samples) and returns true. A refusal leaves the stretcher stopped.
    // The owner keeps it apart from Stretch (the routing stream calls both under its stream
    // lock). Command thread; may block.
    bool Start(int sampleRate, int channels, int minimumFrame, int maximumFrame, int capacity);

    // Stretches the first n samples of buffer in place and returns the number of samples now at
    // its start. target is the queue threshold (in samples) that was crossed, queued the samples
    // now queued on the output: the block shrinks when queued > target and grows when queued <
    // target, by up to |target - queued| samples per frame. The result never exceeds
    // buffer.size(): growth is limited to the room the buffer has. n is clamped to
    // 0..buffer.size(). A stretcher that is not started returns n and leaves the buffer alone.
    // No allocation, no locks, no I/O. Engine thread; real-time safe.
    int Stretch(std::span<int16_t> buffer, int n, int target, int queued);

    // Whether Start accepted its settings. Any thread.
    bool Started() const { return started_ != 0; }
    // The output's total buffer capacity in samples, as Start stored it. Any thread.
    int Capacity() const { return capacity_; }

private:
    // One frame of a samples read from in; writes the result to out and returns its length.
    // out may overlap in (the frame is copied before anything is written) but must not reach the
    // input of a later frame. growthRoom limits how many samples a growing frame may add.
    int StretchFrame(const int16_t* in, int a, int target, int queued, int64_t growthRoom,
                     int16_t* out);
    void ScoreSubframes(int a);
    void ClassifySubframes(int a);
    void AssignAmounts(int a, int64_t wanted, bool strong);

    int started_;
    int frameLength_;
    int minimumFrame_;
    int maximumFrame_;
    int capacity_ = 0;

    std::array<int16_t, kHistory> history_{};
    // History, the frame, then the frame's last sample once more.
    std::array<int16_t, kHistory + kLongestFrame + 1> analysis_{};
    std::array<double, (kHistory + kLongestFrame) / kSubframe> scores_{};
    std::array<int, (kHistory + kLongestFrame) / kSubframe> classes_{};
    // Samples to add or remove per subframe of the frame.
    std::array<int, kLongestFrame / kSubframe> amounts_{};
};
