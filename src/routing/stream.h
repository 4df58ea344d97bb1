// The voice server's routing stream: one capture stream (the microphone) and two playback
// streams (the virtual microphone other programs record from, and the monitor the user hears),
// with the voice effect slots, the background and fun sound slots, drift compensation per
// output and the oscilloscope publication. Every captured block runs through a fixed pipeline
// on the engine thread: copy, stretch per output, effect, mixing, oscilloscope, write.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/wmme.h"
#include "base/types.h"
#include "routing/queue_levels.h"
#include "routing/routing_plan.h"
#include "routing/signal_relay.h"
#include "routing/sound_slot.h"
#include "routing/stretcher.h"

class PnAudioEffect;
namespace platform {
class NamedEvent;
}

// Stream types.
constexpr int kStreamMonitor = 0;
constexpr int kStreamVirtual = 1;
constexpr int kStreamInput = 2;
// The device number of a stream that has no device.
constexpr int kNoStreamDevice = -2;

constexpr int kEffectSlots = 3;
constexpr int kBackgroundSlots = 3;
constexpr int kFunSoundSlots = 60;

// Pulsed when a fun sound ended, or an empty fun slot was played.

// The fun sounds: a one-shot sound that ends pulses the fun-sound event.
class FunSoundList : public SoundList {
public:
    // The 60 one-shot slots; a sound that ends pulses owner's fun-sound event.
    // Command thread; may block.
    explicit FunSoundList(class PnIOStream& owner);

protected:
    void OnSoundFinished(std::size_t index) override;

private:
    class PnIOStream& owner_;
};

// One output's drift compensation: the stretcher, the settler that takes out a standing excess,
// and the levels its queue had since the output was opened.
struct OutputDrift {
    DriftStretcher stretcher{0, 160, 80, 160};
    QueueSettler settler;
    QueueLevels levels;
};

class PnIOStream : public PortAudio {
public:
    // The streams play and record through backend, which must outlive the object.
    // Command thread; may block.
    explicit PnIOStream(AudioBackend& backend);
    // Closes the streams before the engine thread ends, so that no handler runs on a half
    // destroyed object. Command thread; may block.
    ~PnIOStream() override;

    // Creates the events and the oscilloscope block, the three stream objects and starts the
    // engine thread. False when the fun-sound event or the engine thread cannot be created.
    // Command thread; may block.
    bool Init();
    // Closes and recreates both events and the oscilloscope block; the block thread never
    // waits for this. Command thread; may block.
    void CreateSignals();

    // Opens the stream of a type (kStreamMonitor, kStreamVirtual, kStreamInput). The input
    // fixes the block size, the queue thresholds and the work buffers, so it must be opened
    // before the outputs. Command thread; may block.
    bool Open(int type, int device, std::uint32_t bitsPerSample, std::uint32_t sampleRate,
              std::uint16_t bufferMs, std::uint32_t bufferCount);
    // Starts the open stream of a type; an output's drift compensation runs from here on.
    // Command thread; may block.
    bool Start(int type);
    // Closes the stream of a type; closing the input frees the work buffers.
    // Command thread; may block.
    void Close(int type);
    // Close, then Open and Start; kNoStreamDevice closes the stream and gives false.
    // Command thread; may block.
    bool Restart(int type, int device, std::uint32_t bitsPerSample, std::uint32_t sampleRate,
                 std::uint16_t bufferMs, std::uint32_t bufferCount);
    // Device number of the open stream of the type; kNoStreamDevice when none is open.
    // Any thread.
    int DeviceOf(int type) const;
    // The ring of an output (kStreamMonitor, kStreamVirtual): buffers, bytes and what is queued;
    // all 0 for another type or while the output is closed. Command thread; may block.
    QueueState OutputQueueState(int type);
    // Blocks with sound the capture stream has delivered so far: a count that stands still
    // while the input is open tells that capture has stalled. Any thread.
    std::uint64_t CapturedBlocks() const { return capturedBlocks_.load(std::memory_order_relaxed); }
    // Closes every stream, stops the engine thread and unloads every sound and effect.
    // Command thread; may block.
    void CloseAll();

    // Engine callbacks. OnMessage handles the stream's own request to stop the capture after
    // an output failed and passes everything else to the engine. Engine thread; real-time safe.
    void OnMessage(std::uint32_t message, std::uintptr_t param) override;
    // Runs one captured block through the pipeline and writes it to both outputs.
    // Engine thread; real-time safe.
    void OnInputData(BufferInfo info) override;
    // Nothing to do: a played buffer is free again once its notification has passed.
    // Engine thread; real-time safe.
    void OnOutputDone(BufferInfo info) override;
    // Logs the pipeline step a failed handler was in; the process ends right after.
    // Engine thread; real-time safe.
    void OnAudioException(std::uint32_t message) override;

    // Effect slots 0..2 (other slots are ignored; loads give kVstLoadError). A plug-in is
    // loaded outside the stream lock and swapped in under it, so a block never waits for a load.
    // Command thread; may block.
    std::uint32_t LoadEffect(int slot, const std::string& path);
    // Takes both plug-ins out under the stream lock and unloads them outside it.
    // Command thread; may block.
    void UnloadEffect(int slot);
    // Sets the parameters of both plug-ins of the slot, in order, under the stream lock.
    // Command thread; may block.
    void SetEffectParams(int slot, const std::vector<EffectParam>& params);
    // The path of the plug-in in the slot's virtual host; empty when nothing is loaded.
    // Command thread; may block.
    std::string EffectPath(int slot);
    // Whether the slot's virtual host holds a plug-in. Command thread; may block.
    bool IsEffectLoaded(int slot);

    // Background slots 0..2 and fun slots 0..59 (others are ignored; loads give a WAV error).
    // Reads the WAV file into the background slot and switches it on when it loaded. The file
    // is read outside the stream lock, which is held only to swap the sound in.
    // Command thread; may block.
    std::uint32_t LoadBackground(int slot, const std::string& path);
    // Empties the background slot. Command thread; may block.
    void UnloadBackground(int slot);
    // The file-name part of the loaded background sound's path; empty when none.
    // Command thread; may block.
    std::string BackgroundName(int slot);
    // Reads the WAV file into the fun slot, outside the stream lock like LoadBackground.
    // Command thread; may block.
    std::uint32_t LoadFun(int slot, const std::string& path);
    // Empties the fun slot. Command thread; may block.
    void UnloadFun(int slot);
    // Volume 0..255, taken as 0..100 (above 100 acts as 100); 0 switches the sound off.
    // Any thread.
    void SetBackgroundVolume(int slot, std::uint8_t volume);
    // Plays the fun sound from its start on both outputs; an empty slot pulses the fun-sound
    // event at once. Command thread; may block.
    void PlayFun(int slot);
    // Stops the fun sound and rewinds it. Command thread; may block.
    void StopFun(int slot);
    // StopFun for every fun slot. Command thread; may block.
    void StopAllFun();
    // One flag per fun slot, true while it plays. Command thread; may block.
    std::vector<bool> FunStatus();

    // The background slot the blocks mix in; -1 for none. Any thread.
    void SelectBackground(int index) { selectedBackground_.store(index); }
    // The effect slot the blocks run through; -1 for none. Any thread.
    void SelectEffect(int index) { selectedEffect_.store(index); }
    // The selected background slot; -1 for none. Any thread.
    int SelectedBackground() const { return selectedBackground_.load(); }
    // The selected effect slot; -1 for none. Any thread.
    int SelectedEffect() const { return selectedEffect_.load(); }

    // Whether the control panel runs: without it the voice goes to the virtual output
    // unchanged and the monitor stays silent. Any thread.
    void SetClientRunning(bool running) { clientRunning_.store(running); }
    // Whether the control panel runs. Any thread.
    bool ClientRunning() const { return clientRunning_.load(); }
    // Nonzero: the monitor carries the voice. Any thread.
    void SetMonitorOn(std::uint8_t on) { monitorOn_.store(on); }
    // The monitor's voice level in percent. Any thread.
    void SetMonitorVol(std::uint8_t volume) { monitorVol_.store(volume); }
    // 0: the monitor always carries the voice; 1: only while an effect is selected.
    // Any thread.
    void SetListen(std::uint32_t listen) { listen_.store(listen); }
    // Set when an output's driver went away; every block is ignored until the streams are
    // rebuilt. Any thread.
    bool OutputFailed() const { return outputFailed_.load(); }
    // Lets the blocks run again once the streams are rebuilt. Any thread.
    void ClearOutputFailed() { outputFailed_.store(false); }

    // The top of the output queues' band in milliseconds (kDefaultQueueHighMs until set); an
    // open input takes it at once. Command thread; may block.
    void SetQueueHighMs(std::uint32_t ms);
    // The block size, thresholds and work buffers of the open input (all 0 while closed).
    // Any thread.
    const RoutingLayout& Layout() const { return layout_; }
    // Guards the slots, the selections, the events and the oscilloscope block; re-entrant.
    // Any thread.
    std::recursive_mutex& StreamLock() { return streamLock_; }

    // Process-wide: consecutive over-full blocks of the monitor. Any thread.
    static std::uint32_t MonitorOverruns();
    // Process-wide: consecutive over-full blocks of the virtual output. Any thread.
    static std::uint32_t VirtualOverruns();
    // Process-wide: whether the first block of the process is still to be delayed.
    // Any thread.
    static bool FirstBlockDelayPending();
    // Process-wide, per output (kStreamMonitor, kStreamVirtual; 0 for another type): blocks
    // dropped because the output's queue stayed over-full. Never reset. Any thread.
    static std::uint32_t DroppedBlocks(int type);
    // Process-wide, per output (kStreamMonitor, kStreamVirtual; 0 for another type): blocks
    // whose write the output refused (no free buffer, a device error). Never reset. Any thread.
    static std::uint32_t FailedWrites(int type);

    // Has the fun-sound event pulsed: a fun sound ended in a block, or an empty fun slot was
    // played. Any thread; real-time safe (the pulse itself happens on the relay thread).
    void PulseFunSoundEvent();

private:
    struct EffectSlot;
    PaStream* StreamOf(int type) const;
    bool OpenInput(int device, std::uint32_t bits, std::uint32_t rate, std::uint16_t ms,
                   std::uint32_t count);
    bool OpenOutput(int type, int device, std::uint32_t bits, std::uint32_t rate,
                    std::uint32_t count);
    void FreeWorkBuffers();
    // Puts data into sound under the stream lock, switched on or off; data is left holding the
    // previous sound, for the caller to free outside the lock.
    void ExchangeSound(SoundSlot& sound, SoundSlot::Data& data, bool active);
    // The steps of a block that run under the stream lock, which the block takes once for all
    // of them. Stretches one output's block toward its queue range; returns the bytes to write
    // and whether the write is dropped.
    std::uint32_t StretchOutput(PaStreamOut& out, OutputDrift& drift, std::int16_t* work,
                                std::uint32_t samples, std::atomic<std::uint32_t>& overruns,
                                bool& drop);
    // Counts a block an output lost: dropped over-full, or its write refused.
    static void CountLostBlock(int type, bool dropped, MmeErrorNum result);
    void RunEffect(std::uint32_t monitorBytes, std::uint32_t virtualBytes);
    // Hands the parameter values a command thread left in the slot to both plug-ins.
    // Engine thread, under the stream lock; real-time safe (plug-in code).
    static void ApplyEffectParams(EffectSlot& slot);
    // Makes room in the effect for blocks as long as the work buffers.
    // Command thread, streamObjectsLock_ held; may block.
    void PrepareEffectBlocks(PnAudioEffect& effect);
    void MixSounds(std::uint32_t monitorBytes, std::uint32_t virtualBytes);
    void PublishOsci(std::uint32_t virtualBytes);
    void StopCaptureAfterFailure();
    void DestroyStreams();
    // Logs the summary of an output's queue levels, when it carried any block, and forgets them.
    void LogQueueLevels(int type);
    std::atomic<bool>& OutputRunning(int type) { return outputRunning_[type]; }

    AudioBackend& backend_;
    std::recursive_mutex streamLock_;

    SoundList backgrounds_;
    FunSoundList funSounds_;
    std::uint32_t backgroundPos_[2] = {0, 0}; // [kStreamMonitor], [kStreamVirtual]
    std::array<std::array<std::uint32_t, kFunSoundSlots>, 2> funPos_{};
    std::atomic<int> selectedBackground_{-1};
    std::atomic<int> selectedEffect_{-1};
    std::unique_ptr<EffectSlot[]> effects_;

    std::unique_ptr<PaStreamOut> monitorOut_;
    std::unique_ptr<PaStreamOut> virtualOut_;
    std::unique_ptr<PaStreamIn> input_;
    // Serialises the capture stream's open, close and destruction with the stop the engine
    // thread makes after an output failed (which only tries it, never waits).
    std::mutex streamObjectsLock_;
    // Set by Start and cleared by Open and Close of an output ([kStreamMonitor],
    // [kStreamVirtual]); the drift compensation runs only for a running output.
    std::atomic<bool> outputRunning_[2] = {false, false};

    RoutingLayout layout_;
    std::uint16_t inputMs_ = 0;
    std::atomic<std::uint32_t> queueHighMs_{kDefaultQueueHighMs};
    std::vector<std::int16_t> monitorWork_;
    std::vector<std::int16_t> virtualWork_;
    // [kStreamMonitor], [kStreamVirtual]; used under the stream lock (the levels: any thread).
    OutputDrift drift_[2];

    std::atomic<bool> clientRunning_{false};
    std::atomic<std::uint8_t> monitorOn_{0};
    std::atomic<std::uint8_t> monitorVol_{100};
    std::atomic<std::uint32_t> listen_{0};
    std::atomic<bool> outputFailed_{false};
    std::atomic<std::uint64_t> capturedBlocks_{0};
    // The pipeline step in progress, for the fault log line; "" between blocks.
    std::atomic<const char*> stepLabel_{""};
    // "Effect:" and the effect's name, built on the engine thread without allocation.
    char effectLabel_[128] = {};

    SignalRelay signals_;
};
