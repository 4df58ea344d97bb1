// CPgWzInput: the setup wizard's recording page. The user picks the recording device the
// microphone is on and its channel (the recording source of the device's mixer), sets the
// recording level and sees the microphone live on the oscilloscope. Next or Finish store
// `input` and `mixInSrc`.
#pragma once

#include <QTimer>
#include <QWizardPage>

#include <vector>

#include "audio/mixer.h"
#include "wizard/wizard_devices.h"

class AppConfig;
class OSCI;
class QComboBox;
class QLabel;
class QSlider;
class TestFeed;
class TestStream;

class CPgWzInput : public QWizardPage {
    Q_OBJECT

public:
    // Resource id: the page's help topic and its id in the wizard.
    static constexpr int kId = 135;
    // How often the level slider reads the mixer, to follow changes made elsewhere.
    static constexpr int kVolumePollMs = 300;

    // Lists the devices and chooses the configured one (or the default). config and stream
    // must outlive the page. GUI thread.
    CPgWzInput(AppConfig& config, TestStream& stream, QWidget* parent = nullptr);
    ~CPgWzInput() override;

    // The page became the current one: the microphone test runs. GUI thread.
    void Activate();
    // The page is left or the wizard ends: the test stops and its stream closes. GUI thread.
    void Deactivate();

    // Stops the test and stores `input` and `mixInSrc` (UpdateCfg). GUI thread.
    bool validatePage() override;

    QComboBox* DeviceList() const { return devices_; }
    QComboBox* ChannelList() const { return channels_; }
    QLabel* ChannelLabel() const { return channelLabel_; }
    QSlider* VolumeSlider() const { return volume_; }
    OSCI* Scope() const { return scope_; }
    bool TestRunning() const;

private:
    void OnDeviceChosen(int index);
    void OnChannelChosen(int index);
    void OnVolumeChanged(int value);
    // Reads the recording volume into the slider unless the user holds it.
    void PollVolume();
    void StartTest();
    void StopTest();
    void UpdateCfg();
    std::string ChosenChannel() const;

    AppConfig& config_;
    TestStream& stream_;
    std::vector<WizardDevice> deviceList_;
    PortMixer mixer_;
    bool active_ = false;
    bool settingVolume_ = false;

    QComboBox* devices_ = nullptr;
    QLabel* channelLabel_ = nullptr;
    QComboBox* channels_ = nullptr;
    QSlider* volume_ = nullptr;
    OSCI* scope_ = nullptr;
    TestFeed* feed_ = nullptr;
    QTimer volumePoll_;
};
