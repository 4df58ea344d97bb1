#include "teststream/test_stream.h"

#include <algorithm>
#include <cstring>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "sound/wave.h"

namespace {

constexpr std::uint32_t kBitsPerSample = 16;
constexpr std::uint32_t kSampleRate = 44100;
// The input mixer is opened for the recording side, as the voice server opens it.
constexpr std::uint32_t kInputMixerFlags = 0xA0000000u;

} // namespace

TestStream::TestStream(AudioBackend& backend)
    : output_(backend), input_(backend), scope_(new std::atomic<std::int16_t>[kScopeSamples]) {}

TestStream::~TestStream() {
    CloseStream();
    StopEngine();
}

MmeErrorNum TestStream::OpenStream(int inputDevice, int outputDevice, const std::string& mixInSrc,
                                   std::uint16_t bufferMs, std::uint32_t bufferCount) {
    LogScope scope("TestStream::OpenStream", "in=%d, out=%d, src=\"%s\", ms=%u, n=%u", inputDevice,
                   outputDevice, mixInSrc.c_str(), static_cast<unsigned>(bufferMs),
                   static_cast<unsigned>(bufferCount));
    CloseStream();
    MmeErrorNum result = kMmeSuccess;
    if (EngineThreadId() == 0)
        result = StartEngine();
    if (result == kMmeSuccess && outputDevice >= 0)
        result = output_.Open(EngineThreadId(), outputDevice, kBitsPerSample, kSampleRate, bufferMs,
                              bufferCount * 3 / 2);
    if (result == kMmeSuccess && inputDevice >= 0)
        result = input_.Open(EngineThreadId(), inputDevice, kBitsPerSample, kSampleRate, bufferMs,
                             bufferCount);
    if (result != kMmeSuccess) {
        CloseStream();
        scope.SetResult(MmeErrorText(result));
        return result;
    }
    if (inputDevice >= 0) {
        if (!mixer_.Open(MixerIdFor(kLookupRecording, inputDevice), kInputMixerFlags, nullptr)) {
            LogError("Erorr of open port mixer");
            LogError("mixer error");
        } else if (!mixInSrc.empty()) {
            const std::vector<MixerLine> sources = mixer_.GetInputSources();
            for (std::size_t i = 0; i < sources.size(); ++i)
                if (sources[i].name == mixInSrc)
                    mixer_.SelectSource(static_cast<int>(i));
        }
    }
    const std::uint32_t samples = std::max(output_.SamplesPerBuffer(), input_.SamplesPerBuffer());
    std::lock_guard<std::mutex> lock(soundLock_);
    work_.assign(samples, 0);
    silence_.assign(output_.SamplesPerBuffer(), 0);
    if (effect_.IsLoaded())
        effect_.PrepareBlocks(samples);
    scope.SetResult(MmeErrorText(result));
    return result;
}

void TestStream::CloseStream() {
    LogScope scope("TestStream::CloseStream");
    if (started_)
        Stop();
    output_.Close();
    input_.Close();
    mixer_.Close();
    inputStarted_.store(false);
}

bool TestStream::IsOpen() const {
    return output_.IsOpen() || input_.IsOpen();
}

std::uint32_t TestStream::LoadWave(const std::string& file) {
    LogScope scope("TestStream::LoadWave", "\"%s\"", file.c_str());
    // Read and converted outside the lock; only the exchange happens under it.
    SoundSlot::Data data;
    const std::uint32_t result = SoundSlot::Read(file, data);
    {
        std::lock_guard<std::mutex> lock(soundLock_);
        sound_.Exchange(data);
        sound_.SetActive(result == 0);
        soundPosition_ = 0;
        draining_ = false;
    }
    scope.SetResult(result == 0 ? "0" : WaveErrorText(result).c_str());
    return result;
}

void TestStream::SetLoop(bool loop) {
    std::lock_guard<std::mutex> lock(soundLock_);
    loop_ = loop;
}

void TestStream::SetPlayVolume(std::uint8_t percent) {
    playVolume_.store(std::min<std::uint8_t>(percent, 100));
}

PnVstErrorNum TestStream::LoadEffect(const std::string& file, EffectOwnerWindow* owner) {
    LogScope scope("TestStream::LoadEffect", "\"%s\"", file.c_str());
    PnVstErrorNum result;
    {
        // Blocks meanwhile play as silence: the engine thread only tries the lock.
        std::lock_guard<std::mutex> lock(soundLock_);
        result = effect_.Load(file, true, owner);
        if (result == kVstSuccess)
            effect_.PrepareBlocks(work_.size());
    }
    // A test that already plays takes the voice in from now on.
    if (result == kVstSuccess && started_ && output_.IsOpen())
        StartInput();
    scope.SetResult(PnVstErrorText(result));
    return result;
}

void TestStream::UnLoad() {
    LogScope scope("TestStream::UnLoad");
    SoundSlot::Data previous;
    {
        std::lock_guard<std::mutex> lock(soundLock_);
        sound_.Exchange(previous);
        draining_ = false;
        effect_.UnLoad();
    }
}

MmeErrorNum TestStream::StartInput() {
    if (inputStarted_.load() || !input_.IsOpen())
        return kMmeSuccess;
    const MmeErrorNum result = input_.Start();
    inputStarted_.store(result == kMmeSuccess);
    return result;
}

MmeErrorNum TestStream::TestStart() {
    LogScope scope("TestStream::TestStart");
    ended_.store(false);
    if (!output_.IsOpen()) {
        if (!input_.IsOpen()) {
            Stop();
            scope.SetResult(MmeErrorText(kMmeNotOpen));
            return kMmeNotOpen;
        }
        // Only the microphone, for the oscilloscope.
        const MmeErrorNum result = StartInput();
        if (result == kMmeSuccess) {
            started_ = true;
            running_.store(true);
        }
        scope.SetResult(MmeErrorText(result));
        return result;
    }
    output_.Start();
    bool withEffect;
    {
        std::lock_guard<std::mutex> lock(soundLock_);
        withEffect = effect_.IsLoaded();
        sound_.SetActive(sound_.IsLoaded());
        soundPosition_ = 0;
        draining_ = false;
    }
    MmeErrorNum result = withEffect ? StartInput() : kMmeSuccess;
    if (result == kMmeSuccess) {
        started_ = true;
        running_.store(true);
        std::lock_guard<std::mutex> lock(soundLock_);
        for (std::uint32_t i = 0; i < kPrimeBuffers; ++i)
            WriteProducedLocked();
    }
    scope.SetResult(MmeErrorText(result));
    return result;
}

void TestStream::Stop() {
    LogScope scope("TestStream::Stop");
    const bool wasStarted = started_;
    started_ = false;
    running_.store(false);
    output_.Stop();
    input_.Stop();
    inputStarted_.store(false);
    if (wasStarted)
        if (TestStreamReceiver* receiver = receiver_.load())
            receiver->TestEnded();
    UnLoad();
}

void TestStream::MixWaveLocked(std::int16_t* samples, std::uint32_t count) {
    std::uint32_t done = 0;
    while (!draining_ && done < count && sound_.Count() > 0) {
        sound_.SetVolume(static_cast<float>(playVolume_.load()) * 0.01f);
        // A looping sound is mixed up to its end, then again from its start.
        const std::uint32_t left = sound_.Count() - std::min(soundPosition_, sound_.Count());
        const std::uint32_t part = loop_ ? std::min(count - done, left) : count - done;
        bool finished = false;
        soundPosition_ = sound_.Mix(soundPosition_, samples + done, part, finished);
        done += part;
        if (finished && loop_) {
            sound_.SetActive(true);
            soundPosition_ = 0;
        } else if (finished || !sound_.IsActive()) {
            draining_ = true;
        }
    }
}

void TestStream::WriteProducedLocked() {
    const auto count = static_cast<std::uint32_t>(work_.size());
    if (count == 0)
        return;
    std::fill(work_.begin(), work_.end(), std::int16_t{0});
    MixWaveLocked(work_.data(), count);
    Tap(work_.data(), count);
    output_.Write(work_.data(), count * 2, 0);
}

void TestStream::ProduceNext() {
    if (!running_.load() || inputStarted_.load())
        return;
    std::unique_lock<std::mutex> lock(soundLock_, std::try_to_lock);
    if (!lock.owns_lock()) {
        // A command thread changes the sound: this block is silence, which keeps the ring
        // turning.
        output_.Write(silence_.data(), static_cast<std::uint32_t>(silence_.size() * 2), 0);
        return;
    }
    if (draining_) {
        // The sound ran out: the test ends once the output has played what it holds.
        if (output_.GetQueueState().queuedBuffers == 0)
            EndTest();
        return;
    }
    WriteProducedLocked();
}

void TestStream::EndTest() {
    if (ended_.exchange(true))
        return;
    running_.store(false);
    if (TestStreamReceiver* receiver = receiver_.load())
        receiver->TestEnded();
}

void TestStream::OnMessage(std::uint32_t message, std::uintptr_t param) {
    if (message == kMsgProduce) {
        ProduceNext();
        return;
    }
    PortAudio::OnMessage(message, param);
}

void TestStream::OnOutputDone(BufferInfo) {
    if (running_.load() && !inputStarted_.load())
        PostEngineMessage(kMsgProduce, 0);
}

void TestStream::OnInputData(BufferInfo info) {
    if (!running_.load() || info.data == nullptr)
        return;
    const std::uint32_t recorded = std::min(info.bytesUsed, info.size) / 2;
    if (!output_.IsOpen()) {
        Tap(reinterpret_cast<const std::int16_t*>(info.data), recorded);
        return;
    }
    std::unique_lock<std::mutex> lock(soundLock_, std::try_to_lock);
    if (!lock.owns_lock())
        return; // the effect is being changed: this block is dropped
    const auto count = std::min<std::uint32_t>(recorded, static_cast<std::uint32_t>(work_.size()));
    std::memcpy(work_.data(), info.data, count * 2);
    effect_.ProcessMono(work_.data(), count * 2); // passes the voice when none is loaded
    MixWaveLocked(work_.data(), count);
    Tap(work_.data(), count);
    // The voice arrives a moment after the output started, when the primed buffers may have
    // played already: an output that ran dry gets its cushion back before the voice goes on.
    const std::uint32_t queued = output_.GetQueueState().queuedBuffers;
    if (queued < kMinQueuedBuffers)
        for (std::uint32_t i = queued; i + 1 < kPrimeBuffers; ++i)
            output_.Write(silence_.data(), static_cast<std::uint32_t>(silence_.size() * 2), 0);
    output_.Write(work_.data(), count * 2, 0);
    if (draining_)
        EndTest();
}

void TestStream::Tap(const std::int16_t* samples, std::uint32_t count) {
    std::uint64_t written = scopeWritten_.load(std::memory_order_relaxed);
    for (std::uint32_t i = 0; i < count; ++i)
        scope_[(written + i) % kScopeSamples].store(samples[i], std::memory_order_relaxed);
    scopeWritten_.store(written + count, std::memory_order_release);
}

std::size_t TestStream::ReadScope(std::int16_t* out, std::size_t max) {
    const std::uint64_t written = scopeWritten_.load(std::memory_order_acquire);
    if (written - scopeRead_ > kScopeSamples)
        scopeRead_ = written - kScopeSamples;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(written - scopeRead_, max));
    for (std::size_t i = 0; i < count; ++i)
        out[i] = scope_[(scopeRead_ + i) % kScopeSamples].load(std::memory_order_relaxed);
    scopeRead_ += count;
    return count;
}
