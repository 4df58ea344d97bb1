// A routing stream on the in-memory back end, stepped block by block: each step holds the
// engine thread while the clock moves, so that every block sees the output queues after the
// playback of the same step, then waits until the engine has handled the block.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "routing/stream.h"

namespace testaudio {

using Samples = std::vector<std::int16_t>;

inline std::vector<std::uint8_t> ToBytes(const Samples& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    if (!bytes.empty())
        std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

inline Samples ToSamples(const std::vector<std::uint8_t>& bytes) {
    Samples samples(bytes.size() / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Gives this process kernel objects of its own (the routing stream's names are fixed).
inline void UseOwnKernelObjects() {
    static const std::string name = "routing-tests-" + std::to_string(getpid());
    setenv("VOXWARP_KOBJECT_NAMESPACE", name.c_str(), 1);
}

class SteppedStream : public PnIOStream {
public:
    using PnIOStream::PnIOStream;

    void OnMessage(std::uint32_t message, std::uintptr_t param) override {
        std::unique_lock<std::mutex> lock(mutex_);
        if (message == kHold) {
            holding_ = true;
            cv_.notify_all();
            cv_.wait(lock, [this] { return !holding_; });
        } else if (message == kMark) {
            ++marks_;
            cv_.notify_all();
        } else {
            lock.unlock();
            PnIOStream::OnMessage(message, param);
        }
    }

    void Hold() {
        ASSERT_TRUE(PostEngineMessage(kHold, 0));
        std::unique_lock<std::mutex> lock(mutex_);
        ASSERT_TRUE(cv_.wait_for(lock, kGenerous, [this] { return holding_; }));
    }
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        holding_ = false;
        cv_.notify_all();
    }
    // Device notifications go before owner messages: the mark comes after every block posted.
    void Drain() {
        std::unique_lock<std::mutex> lock(mutex_);
        const int target = marks_ + 1;
        lock.unlock();
        ASSERT_TRUE(PostEngineMessage(kMark, 0));
        lock.lock();
        ASSERT_TRUE(cv_.wait_for(lock, kGenerous, [&] { return marks_ >= target; }));
    }

private:
    static constexpr std::uint32_t kHold = 0x8101;
    static constexpr std::uint32_t kMark = 0x8102;
    static constexpr auto kGenerous = std::chrono::seconds(10);
    std::mutex mutex_;
    std::condition_variable cv_;
    bool holding_ = false;
    int marks_ = 0;
};

struct RoutingHarness {
    RoutingHarness() {
        UseOwnKernelObjects();
        mic = backend.AddCaptureDevice("Built-in Microphone");
        card = backend.AddPlaybackDevice("Voxwarp Microphone");
        speakers = backend.AddPlaybackDevice("Speakers");
    }

    bool OpenAll(std::uint16_t ms = 25, std::uint32_t outputBits = 16,
                 std::uint32_t outputCount = 8) {
        return stream.Open(kStreamInput, mic, 16, 44100, ms, 4) && stream.Start(kStreamInput) &&
               stream.Open(kStreamVirtual, card, outputBits, 44100, ms, outputCount) &&
               stream.Start(kStreamVirtual) &&
               stream.Open(kStreamMonitor, speakers, outputBits, 44100, ms, outputCount) &&
               stream.Start(kStreamMonitor);
    }

    // One captured block (and as much playback).
    void Step() {
        stream.Hold();
        backend.Advance(stream.Layout().blockSamples);
        stream.Release();
        stream.Drain();
    }
    void Steps(int count) {
        for (int i = 0; i < count; ++i)
            Step();
    }

    Samples Virtual() const { return ToSamples(backend.Played(card)); }
    Samples Monitor() const { return ToSamples(backend.Played(speakers)); }

    MemoryAudioBackend backend;
    int mic = -1;
    int card = -1;
    int speakers = -1;
    SteppedStream stream{backend};
};

} // namespace testaudio
