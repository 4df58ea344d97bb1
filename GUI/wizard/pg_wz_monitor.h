// CPgWzMonitor: the setup wizard's playback page. The user picks the playback device of the
// headset or speakers, sets its master volume and plays the test sound there (looped, shown on
// the oscilloscope) with the Test button, which reads "Stop" while the sound plays. Finish
// stores `monitor`.
#pragma once

#include <QTimer>
#include <QWizardPage>

#include <string>
#include <vector>

#include "audio/mixer.h"
#include "wizard/wizard_devices.h"

class AppConfig;
class OSCI;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
class TestFeed;
class TestStream;

class CPgWzMonitor : public QWizardPage {
    Q_OBJECT

public:
    // Resource id: the page's help topic and its id in the wizard.
    static constexpr int kId = 136;
    static constexpr int kVolumePollMs = 300;
    // The test sound in the program folder.
    static constexpr const char* kTestSoundFile = "test.wav";

    // Lists the devices and chooses the configured one (or the default). config and stream
    // must outlive the page. GUI thread.
    CPgWzMonitor(AppConfig& config, TestStream& stream, QWidget* parent = nullptr);
    ~CPgWzMonitor() override;

    // The page became the current one. GUI thread.
    void Activate();
    // The page is left or the wizard ends: a running test stops. GUI thread.
    void Deactivate();

    // Stops the test and stores `monitor` (UpdateCfg). GUI thread.
    bool validatePage() override;

    // The sound the Test button plays and whether it loops (default: the program folder's
    // test.wav, looped). GUI thread.
    void SetTestSound(const std::string& file, bool loop);

    QComboBox* DeviceList() const { return devices_; }
    QSlider* VolumeSlider() const { return volume_; }
    QPushButton* TestButton() const { return test_; }
    OSCI* Scope() const { return scope_; }
    bool TestRunning() const { return testing_; }

private:
    void OnDeviceChosen(int index);
    // SelectOutMixer: the slider sets the chosen device's master volume.
    void SelectOutMixer(const WizardDevice& device);
    void OnVolumeChanged(int value);
    void PollVolume();
    void OnTestClicked();
    void StartTest();
    void StopTest();
    void UpdateCfg();

    AppConfig& config_;
    TestStream& stream_;
    std::vector<WizardDevice> deviceList_;
    PortMixer mixer_;
    std::string testSound_;
    bool loop_ = true;
    bool testing_ = false;
    bool settingVolume_ = false;

    QComboBox* devices_ = nullptr;
    QSlider* volume_ = nullptr;
    QPushButton* test_ = nullptr;
    OSCI* scope_ = nullptr;
    TestFeed* feed_ = nullptr;
    QTimer volumePoll_;
};
