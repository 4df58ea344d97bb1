// CPgSoundCard: the options page "General": start with the desktop session, the recording
// device with its source and the playback device, and restarting the voice server's service.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "options/options_page.h"
#include "service/service_control.h"
#include "wizard/wizard_devices.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class CPgSoundCard : public COptionsPage {
    Q_OBJECT

public:
    // How the page stops and starts the service; tests install their own.
    struct ServiceControl {
        std::function<NtServiceErrorNum(const std::string&, NtServiceSystemError*)> stop =
            NtServiceStop;
        std::function<NtServiceErrorNum(const std::string&, NtServiceSystemError*)> start =
            NtServiceStart;
    };

    explicit CPgSoundCard(OptionsContext& context, QWidget* parent = nullptr);
    // Waits for a running service restart. GUI thread.
    ~CPgSoundCard() override;

    QString Title() const override;
    void UpdatePage() override;

    // Set while the service restarts. Any thread.
    bool Busy() const { return busy_.load(); }
    // GUI thread, before a restart.
    void SetServiceControl(ServiceControl control) { service_ = std::move(control); }
    // The program the autostart entry starts (default: this process's executable). GUI thread.
    void SetAutostartProgram(const std::string& program);

    QCheckBox* AutostartBox() const { return autostart_; }
    QComboBox* RecordingList() const { return recording_; }
    QComboBox* SourceList() const { return sources_; }
    QComboBox* PlaybackList() const { return playback_; }
    QPushButton* RestartButton() const { return restart_; }

private:
    void OnAutostartToggled(bool checked);
    void OnRecordingChosen(int index);
    void OnSourceChosen(int index);
    void OnPlaybackChosen(int index);
    // Fills the source list from the chosen device's mixer; micFirst on a device change.
    void FillSources(bool micFirst);
    // input, mixInSrc and monitor of the working copy from the lists; marks modified.
    void StoreChoice();
    void OnRestartClicked();
    // The restart thread's work. Restart thread; may block.
    void RestartService();
    // Shows a service failure (text 207). GUI thread.
    void ShowServiceError(NtServiceErrorNum code, const NtServiceSystemError& error);
    void OnRestartEnded();

    std::vector<WizardDevice> recordingDevices_;
    std::vector<WizardDevice> playbackDevices_;
    PortMixer mixer_;
    std::string program_;
    ServiceControl service_;
    std::atomic<bool> busy_{false};
    std::thread restartThread_;

    QCheckBox* autostart_ = nullptr;
    QComboBox* recording_ = nullptr;
    QComboBox* sources_ = nullptr;
    QComboBox* playback_ = nullptr;
    QPushButton* restart_ = nullptr;
};
