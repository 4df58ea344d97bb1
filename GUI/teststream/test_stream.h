// TestStream: the control panel's own local audio path, without the voice server. It plays a
// WAV file to a playback device, or runs the microphone through a loaded effect plug-in to the
// playback device, so that the user can hear a sound card, a sound or a voice effect. The
// setup wizard, the options pages and the voice effect editor use it. No Qt here.
//
// Locks: the engine handlers run under their stream's own lock and only try the test's sound
// lock: a block that finds it taken (a command thread is changing the sound or the effect) is
// played as silence. The engine thread never waits on a command thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "audio/wmme.h"
#include "effect/effect.h"
#include "routing/sound_slot.h"

// Told when a test ends: the sound ran out (on the engine thread) or Stop stopped a running
// test (on the thread that called it). It must only signal, never call back into the stream.
class TestStreamReceiver {
public:
    virtual ~TestStreamReceiver() = default;
    // Any thread.
    virtual void TestEnded() = 0;
};

class TestStream : public PortAudio {
public:
    // Buffers written before the test starts.
    static constexpr std::uint32_t kPrimeBuffers = 6;
    // An effect test whose output holds fewer buffers than this is refilled with silence up to
    // kPrimeBuffers, so that the voice plays without gaps.
    static constexpr std::uint32_t kMinQueuedBuffers = 2;
    // Samples the oscilloscope tap keeps between two reads.
    static constexpr std::size_t kScopeSamples = 16384;

    // The streams play and record through backend, which must outlive the object.
    // Command thread; may block.
    explicit TestStream(AudioBackend& backend);
    // Stops and closes everything. Command thread; may block.
    ~TestStream() override;

    // Closes what is open, then opens the output stream with floor(1.5 × bufferCount)
    // buffers and the input stream with bufferCount, both 16-bit 44100 Hz buffers of bufferMs,
    // and the input device's mixer on the source named mixInSrc (a mixer failure is only
    // logged). A negative device opens no stream of that direction. When a stream fails,
    // everything is closed again. Returns the stream's error code (MmeErrorText gives its
    // text). Command thread; may block.
    MmeErrorNum OpenStream(int inputDevice, int outputDevice, const std::string& mixInSrc,
                           std::uint16_t bufferMs, std::uint32_t bufferCount);
    // Closes both streams and the mixer; stops a running test first. Safe to call twice.
    // Command thread; may block.
    void CloseStream();
    // Whether an output or an input stream is open. Any thread.
    bool IsOpen() const;

    // Loads a WAV file (converted to the stream format) in place of the current one and rewinds
    // it. Returns 0 or the WAV error code (WaveErrorText). Command thread; may block.
    std::uint32_t LoadWave(const std::string& file);
    // Whether the WAV sound plays in a loop (the wizard's sound check) or once. Command thread.
    void SetLoop(bool loop);
    // Play volume of the WAV sound, 0..100 percent. Any thread.
    void SetPlayVolume(std::uint8_t percent);
    // Loads a plug-in into the effect host, processing on, in place of the current one; a fault
    // while loading is shown over owner when given. Command thread; may block.
    PnVstErrorNum LoadEffect(const std::string& file, EffectOwnerWindow* owner = nullptr);
    // The effect host: its parameters and editor are used while the test runs. Command thread.
    PnAudioEffect& Effect() { return effect_; }
    // Drops the WAV sound and the effect. Command thread; may block.
    void UnLoad();

    // Clears the ended flag and starts the test. Without an output stream it stops at once,
    // unless an input stream is open: then only the input runs, for the oscilloscope. Starts
    // the output, and the input when an effect is loaded, then primes the output with
    // kPrimeBuffers buffers: each zeroed, filled from the WAV sound, scaled by the play
    // volume. Returns kMmeSuccess or the stream error. Command thread; may block.
    MmeErrorNum TestStart();
    // Stops output and input, tells the receiver when a test was running, and unloads.
    // Command thread; may block.
    void Stop();
    // Whether sound is being produced: set by TestStart, cleared by Stop and when a WAV sound
    // played once has ended. Any thread.
    bool IsRunning() const { return running_.load(); }
    // Whether the WAV sound ran out since the last TestStart. Any thread.
    bool HasEnded() const { return ended_.load(); }
    // The window told when a test ends (nullptr: none). Command thread.
    void SetReceiver(TestStreamReceiver* receiver) { receiver_.store(receiver); }

    // The mixer of the input device (open after OpenStream when the device has one).
    // Command thread.
    PortMixer& Mixer() { return mixer_; }
    // The output stream's ring size, in buffers; 0 while closed. Any thread.
    std::uint32_t OutputBufferCount() const { return output_.BufferCount(); }
    // The input stream's ring size, in buffers; 0 while closed. Any thread.
    std::uint32_t InputBufferCount() const { return input_.BufferCount(); }

    // Copies up to max of the samples that were played (or recorded, when no output runs)
    // since the last call, oldest first; older ones are dropped when more than kScopeSamples
    // wait. One reader thread (the oscilloscope's timer).
    std::size_t ReadScope(std::int16_t* out, std::size_t max);

    // Produces the next output buffer when asked by OnOutputDone. Engine thread; real-time safe.
    void OnMessage(std::uint32_t message, std::uintptr_t param) override;
    // Engine thread; real-time safe.
    void OnInputData(BufferInfo info) override;
    // Engine thread; real-time safe.
    void OnOutputDone(BufferInfo info) override;

private:
    // The engine message that asks for the next output buffer: posted by OnOutputDone, which
    // runs under the output stream's lock and so cannot write itself.
    static constexpr std::uint32_t kMsgProduce = 0x7E01;

    // Mixes the WAV sound into count samples at the play volume; a sound played once that ran
    // out starts the drain. Under the sound lock. Any thread; real-time safe.
    void MixWaveLocked(std::int16_t* samples, std::uint32_t count);
    // Produces and writes the next output buffer, or ends a drained test.
    // Engine thread; real-time safe.
    void ProduceNext();
    // Zeroes the work buffer, mixes the sound in and writes it. Under the sound lock.
    // Any thread; real-time safe.
    void WriteProducedLocked();
    // Hands samples to the oscilloscope tap. Any thread; real-time safe.
    void Tap(const std::int16_t* samples, std::uint32_t count);
    // Marks the test ended and tells the receiver. Any thread; real-time safe.
    void EndTest();
    // Starts the input stream for an effect test, once. Command thread; may block.
    MmeErrorNum StartInput();

    PaStreamOut output_;
    PaStreamIn input_;
    PortMixer mixer_;
    PnAudioEffect effect_;

    // Guards the sound, its cursor, the effect's loading and the work buffer.
    std::mutex soundLock_;
    SoundSlot sound_{false};
    std::uint32_t soundPosition_ = 0;
    std::vector<std::int16_t> work_;
    // One output buffer of silence, for a block that finds the sound lock taken.
    std::vector<std::int16_t> silence_;

    bool loop_ = false;
    // The sound played once has been produced to its end; the test ends when the output has
    // played it.
    bool draining_ = false;

    std::atomic<std::uint8_t> playVolume_{100};
    std::atomic<bool> running_{false};
    std::atomic<bool> ended_{false};
    // The input runs and drives the output (an effect test) or the oscilloscope alone.
    std::atomic<bool> inputStarted_{false};
    bool started_ = false; // the devices were started by TestStart; command thread only
    std::atomic<TestStreamReceiver*> receiver_{nullptr};

    // Oscilloscope tap: one writer (the engine thread, or the command thread while priming
    // under the sound lock), one reader.
    std::unique_ptr<std::atomic<std::int16_t>[]> scope_;
    std::atomic<std::uint64_t> scopeWritten_{0};
    std::uint64_t scopeRead_ = 0;
};
