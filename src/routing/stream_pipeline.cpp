// The routing stream's per-block pipeline on the engine thread: copy, drift compensation per
// output, effect, mixing, oscilloscope, write.
//
// Real-time code: no allocation and no I/O (only the designed log lines of a failure); the
// only lock besides the engine's own is the stream lock, taken once per block, which command
// threads hold only briefly (plug-ins and sounds are loaded outside it and swapped in under it).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <span>
#include <thread>

#include "base/mlog.h"
#include "routing/stream.h"
#include "routing/stream_internal.h"

void PnIOStream::OnMessage(std::uint32_t message, std::uintptr_t param) {
    if (message == streamstate::kMsgStopCapture) {
        StopCaptureAfterFailure();
        return;
    }
    PortAudio::OnMessage(message, param);
}

// Runs after the failed block has returned, so the capture stream's own lock is free. A close
// or open of the input in progress makes the stop unnecessary: it is only tried.
void PnIOStream::StopCaptureAfterFailure() {
    std::unique_lock<std::mutex> objects(streamObjectsLock_, std::try_to_lock);
    if (objects.owns_lock() && input_)
        input_->Stop();
}

void PnIOStream::OnOutputDone(BufferInfo) {}

void PnIOStream::OnAudioException(std::uint32_t message) {
    const char* label = stepLabel_.load();
    if (message == kMsgInputData && label != nullptr && label[0] != 0)
        LogError("Audio input exception info: %s", label);
}

void PnIOStream::OnInputData(BufferInfo info) {
    if (info.bytesUsed != 0)
        capturedBlocks_.fetch_add(1, std::memory_order_relaxed);
    if (outputFailed_.load())
        return;
    stepLabel_.store("Begin");
    if (streamstate::firstBlockDelay.exchange(false))
        std::this_thread::sleep_for(std::chrono::milliseconds(75));
    const std::uint32_t capacity = layout_.workBytes;
    if (capacity == 0 || info.data == nullptr) {
        stepLabel_.store("");
        return;
    }
    const bool voiceToMonitor =
        monitorOn_.load() != 0 && (listen_.load() == 0 || selectedEffect_.load() != -1);

    std::fill(virtualWork_.begin(), virtualWork_.end(), std::int16_t{0});
    std::fill(monitorWork_.begin(), monitorWork_.end(), std::int16_t{0});
    // A block longer than the work buffers is cut; the write never reads past them.
    const std::uint32_t n = std::min(std::min(info.bytesUsed, info.size), capacity) & ~1u;
    std::memcpy(virtualWork_.data(), info.data, n);
    if (voiceToMonitor && monitorVol_.load() != 0)
        std::memcpy(monitorWork_.data(), info.data, n);
    const std::uint32_t samples = n / 2;
    const bool client = clientRunning_.load();

    // The stream lock is taken once per block, for the steps that use the slots and the
    // stretchers; the writes to the outputs run without it.
    std::unique_lock<std::recursive_mutex> lock(streamLock_);
    stepLabel_.store("Stretch mon");
    bool dropMonitor = false;
    std::uint32_t monitorBytes = n;
    if (client && OutputRunning(kStreamMonitor).load() && monitorOut_)
        monitorBytes = StretchOutput(*monitorOut_, drift_[kStreamMonitor], monitorWork_.data(),
                                     samples, streamstate::monitorOverruns, dropMonitor);

    stepLabel_.store("Stretch vsc");
    bool dropVirtual = false;
    std::uint32_t virtualBytes = n;
    if (client && OutputRunning(kStreamVirtual).load() && virtualOut_)
        virtualBytes = StretchOutput(*virtualOut_, drift_[kStreamVirtual], virtualWork_.data(),
                                     samples, streamstate::virtualOverruns, dropVirtual);

    stepLabel_.store("");
    if (client) {
        RunEffect(monitorBytes, virtualBytes);
        stepLabel_.store("Mixing");
        MixSounds(monitorBytes, virtualBytes);
        stepLabel_.store("Writting osci");
        PublishOsci(virtualBytes);
    }
    lock.unlock();

    stepLabel_.store("Writting");
    MmeErrorNum monitorResult = kMmeSuccess;
    MmeErrorNum virtualResult = kMmeSuccess;
    if (client && !dropMonitor && monitorOut_)
        monitorResult = monitorOut_->Write(monitorWork_.data(), monitorBytes, 0);
    if (!dropVirtual && virtualOut_)
        virtualResult = virtualOut_->Write(virtualWork_.data(), virtualBytes, 0);
    CountLostBlock(kStreamMonitor, dropMonitor, monitorResult);
    CountLostBlock(kStreamVirtual, dropVirtual, virtualResult);
    if (monitorResult == kMmeNoDriver || virtualResult == kMmeNoDriver) {
        // The streams are rebuilt by the owner; until then every block is ignored.
        outputFailed_.store(true);
        PostEngineMessage(streamstate::kMsgStopCapture, 0);
    }
    stepLabel_.store("");
}

void PnIOStream::CountLostBlock(int type, bool dropped, MmeErrorNum result) {
    if (dropped)
        streamstate::droppedBlocks[type].fetch_add(1, std::memory_order_relaxed);
    else if (result != kMmeSuccess)
        streamstate::failedWrites[type].fetch_add(1, std::memory_order_relaxed);
}

std::uint32_t PnIOStream::StretchOutput(PaStreamOut& out, OutputDrift& drift, std::int16_t* work,
                                        std::uint32_t samples, std::atomic<std::uint32_t>& overruns,
                                        bool& drop) {
    const QueueState state = out.GetQueueState();
    const std::uint32_t queued = state.queuedBytes / 2;
    drift.levels.Record(queued);
    DriftStretcher& stretcher = drift.stretcher;
    QueueSettler& settler = drift.settler;
    std::uint32_t count = overruns.load();
    const OutputDecision decision = DecideOutput(layout_, queued, state.queuedBuffers, count);
    overruns.store(count);
    drop = decision.action == OutputAction::Drop;
    const std::span<std::int16_t> buffer(work, layout_.workBytes / 2);
    if (decision.action == OutputAction::Keep) {
        // Inside the band: a standing excess is taken out spread over the block's frames (the
        // stretcher shrinks every frame by up to the difference it is given; the outputs'
        // stretchers work in frames of the longest length).
        const std::uint32_t excess = settler.Observe(layout_, queued);
        if (excess == 0)
            return 2 * samples;
        constexpr std::uint32_t kFrame = DriftStretcher::kLongestFrame;
        const std::uint32_t frames = (samples + kFrame - 1) / kFrame;
        const std::uint32_t perFrame = std::max<std::uint32_t>(1, excess / std::max(frames, 1u));
        const int result =
            stretcher.Stretch(buffer, static_cast<int>(samples),
                              static_cast<int>(queued - perFrame), static_cast<int>(queued));
        const auto kept = static_cast<std::uint32_t>(std::max(result, 0));
        settler.Removed(samples > kept ? samples - kept : 0);
        return 2 * kept;
    }
    settler.Reset();
    if (decision.action == OutputAction::Drop)
        return 2 * samples;
    const int result =
        stretcher.Stretch(buffer, static_cast<int>(samples), static_cast<int>(decision.target),
                          static_cast<int>(queued));
    return 2 * static_cast<std::uint32_t>(std::max(result, 0));
}

void PnIOStream::RunEffect(std::uint32_t monitorBytes, std::uint32_t virtualBytes) {
    const int selected = selectedEffect_.load();
    EffectSlot* slot = selected >= 0 && selected < kEffectSlots
                           ? &effects_[static_cast<std::size_t>(selected)]
                           : nullptr;
    const char* name = slot != nullptr && slot->virt ? slot->virt->Name().c_str() : "";
    std::snprintf(effectLabel_, sizeof effectLabel_, "Effect:%s", name);
    stepLabel_.store(effectLabel_);
    if (slot == nullptr)
        return;
    ApplyEffectParams(*slot);
    // Nobody hears the monitor while it is not running: its plug-in is spared the block.
    if (slot->monitor && OutputRunning(kStreamMonitor).load())
        slot->monitor->ProcessMono(monitorWork_.data(), monitorBytes);
    if (slot->virt)
        slot->virt->ProcessMono(virtualWork_.data(), virtualBytes);
}

void PnIOStream::ApplyEffectParams(EffectSlot& slot) {
    const std::size_t count = std::min(slot.pendingCount, slot.pendingValues.size());
    slot.pendingCount = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int index = static_cast<int>(i);
        if (slot.virt)
            slot.virt->SetParameter(index, slot.pendingValues[i]);
        if (slot.monitor)
            slot.monitor->SetParameter(index, slot.pendingValues[i]);
    }
}

void PnIOStream::MixSounds(std::uint32_t monitorBytes, std::uint32_t virtualBytes) {
    const std::uint32_t monitorSamples = monitorBytes / 2;
    const std::uint32_t virtualSamples = virtualBytes / 2;
    const std::uint8_t volume = monitorVol_.load();
    if (volume != 100) {
        const float factor = static_cast<float>(volume) * 0.01f;
        for (std::uint32_t i = 0; i < monitorSamples; ++i)
            monitorWork_[i] =
                static_cast<std::int16_t>(static_cast<float>(monitorWork_[i]) * factor);
    }
    const int background = selectedBackground_.load();
    if (background >= 0 && static_cast<std::size_t>(background) < backgrounds_.Size()) {
        const auto index = static_cast<std::size_t>(background);
        backgroundPos_[kStreamVirtual] = backgrounds_.Mix(index, backgroundPos_[kStreamVirtual],
                                                          virtualWork_.data(), virtualSamples);
        backgroundPos_[kStreamMonitor] = backgrounds_.Mix(index, backgroundPos_[kStreamMonitor],
                                                          monitorWork_.data(), monitorSamples);
    }
    for (std::size_t i = 0; i < funSounds_.Size(); ++i)
        funPos_[kStreamVirtual][i] =
            funSounds_.Mix(i, funPos_[kStreamVirtual][i], virtualWork_.data(), virtualSamples);
    for (std::size_t i = 0; i < funSounds_.Size(); ++i)
        funPos_[kStreamMonitor][i] =
            funSounds_.Mix(i, funPos_[kStreamMonitor][i], monitorWork_.data(), monitorSamples);
}

void PnIOStream::PublishOsci(std::uint32_t virtualBytes) {
    signals_.PostOsci(virtualWork_.data(), virtualBytes);
}

void PnIOStream::PulseFunSoundEvent() {
    signals_.PostFunSoundEnd();
}

void FunSoundList::OnSoundFinished(std::size_t index) {
    (void)index;
    owner_.PulseFunSoundEvent();
}
