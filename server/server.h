// The voice server's controller: brings the audio system up and down, applies the configuration
// (voice effect, background and fun sounds, sound cards, monitor settings), handles the control
// panel's commands, keeps the list of load errors the control panel fetches, and runs the
// watcher thread ("mixer spy") that mirrors the virtual microphone's volume onto the real
// microphone and rebuilds the streams after an output driver failed.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/config.h"
#include "ipc/voice_handlers.h"
#include "routing/stream.h"

class PortMixer;

class VoiceServer : public PnIOStream, public VoiceServerHandlers {
public:
    // Mixer open flags: the mixer of a capture handle and of a playback handle.
    static constexpr std::uint32_t kInputMixerFlags = 0xA0000000u;
    static constexpr std::uint32_t kOutputMixerFlags = 0x90000000u;
    // The watcher's period, and how long ServerStop waits for it to end.
    static constexpr int kWatchPeriodMs = 250;
    static constexpr int kWatchStopMs = 2000;
    // Watcher periods without a captured block, with the input open, after which capture
    // counts as stalled (the sound server went away) and the streams are rebuilt.
    static constexpr int kStallPeriods = 12;
    // Watcher periods between two attempts to load a missing virtual microphone again.
    static constexpr unsigned kReloadCardPeriods = 8;
    // Longest text of one reported error, in bytes.
    static constexpr std::size_t kMaxErrorBytes = 10000;

    // The configuration, plug-ins and sounds come from this process's program folder.
    explicit VoiceServer(AudioBackend& backend);
    // The same from another folder (ending in '/' or not).
    VoiceServer(AudioBackend& backend, const std::string& programFolder);
    ~VoiceServer() override;
    VoiceServer(const VoiceServer&) = delete;
    VoiceServer& operator=(const VoiceServer&) = delete;

    // Finds the virtual microphone, starts the audio system, applies the configuration and
    // starts the watcher. False when the virtual microphone is missing or the audio system
    // does not start.
    bool ServerRun();
    // Stops the watcher, closes the mixers and every stream. Does nothing unless ServerRun
    // succeeded; safe to call twice.
    void ServerStop();
    bool Started() const { return started_; }

    // Logs the text as an error and adds it to the error list unless an equal entry is there.
    void ReportError(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Reads the whole configuration and applies it.
    void LoadParams();
    // Loads the configured voice effect of a slot with its stored parameter values. False when
    // the configured effect is not in the library.
    bool LpEffect(int slot);
    void LpBackSounds();
    void LpEmoticSounds();
    // Opens the configured cards; a stream whose card did not change stays as it is.
    void LpSoundCards();

    // Command handlers, named as the protocol's commands. The background-sound handlers write
    // their log lines as VoiceServer::SoundSetActive, SoundSelect and SoundSetVol.
    void SrvUpdate() override;
    std::vector<std::string> SrvGetErrors() override;
    void MonitorSet(std::uint8_t on) override;
    void MonitorSetVol(std::uint8_t volume) override;
    void CliOnStarted() override;
    void CliOnClose() override;
    void EffectSetActive(std::int32_t slot) override;
    void EffectSelect(std::int32_t slot, const std::string& name) override;
    void BackSoundSetActive(std::int32_t slot) override;
    void BackSoundSelect(std::int32_t slot, const std::string& fileName) override;
    void BackSoundSetVol(std::int32_t slot, std::uint8_t volume) override;
    void EmoticPlay(std::int32_t slot) override;
    void EmoticStop(std::int32_t slot) override;
    void EmoticSelect(std::int32_t slot, const std::string& fileName) override;
    void EmoticStopAll() override;
    std::vector<bool> EmoticsStatus() override;

    // Loads the virtual microphone into the sound server when it is missing there. The watcher
    // calls it before it looks for a lost virtual card again; without one it looks only.
    void SetVirtualCardLoader(std::function<void()> loader) {
        virtualCardLoader_ = std::move(loader);
    }

    const std::string& StartFolder() const { return startFolder_; }
    // Whether the mixer of a stream type is open.
    bool MixerOpen(int type);

private:
    // The device number of a configured card name; kNoStreamDevice for an empty name, and for
    // a name not found (which is reported).
    int FindCard(const std::string& name, std::uint32_t direction);
    // Restarts one stream on a new device and opens its mixer.
    void ReopenStream(int type, int device, std::uint16_t bufferMs, std::uint32_t bufferCount);
    void OpenMixer(int type);
    void CloseMixers();
    std::unique_ptr<PortMixer>& MixerOf(int type);
    void SelectInputSource();

    void StartWatcher();
    void StopWatcher();
    void WatchLoop();
    void WatchOnce();
    void RebuildStreams();
    // Capture has delivered nothing for kStallPeriods watcher periods while the input is open.
    bool InputStalled();
    // A configured card that is not open is looked for again when the device lists changed.
    void ReopenLostCards();
    // Both device lists as one text: the server's device ids in order ("" when unreachable).
    static std::string DeviceSignature();

    std::string startFolder_;
    AppConfig config_;

    // Serialises the sound cards, the mixers and the configuration between the command thread
    // and the watcher; the watcher's rebuild takes it again through LoadParams.
    std::recursive_mutex cardLock_;
    std::unique_ptr<PortMixer> inputMixer_;
    std::unique_ptr<PortMixer> virtualMixer_;
    std::unique_ptr<PortMixer> monitorMixer_;

    std::mutex errorsMutex_;
    std::vector<std::string> errors_;

    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool watchRun_ = false;
    bool watchEnded_ = true;
    std::thread watcher_;

    bool started_ = false;

    // The watcher's recovery state.
    std::function<void()> virtualCardLoader_;
    std::uint64_t lastCapturedBlocks_ = 0;
    int stalledPeriods_ = 0;
    unsigned loaderPeriods_ = 0;
    std::string lastDevices_;
};
