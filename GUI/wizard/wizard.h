// The setup wizard: on first use (and with "Voxwarp --wizard") it asks which recording device
// and channel the microphone is on and which playback device the headset or speakers are on,
// skipping what the sound system already answers. The devices it offers never include the
// virtual microphone "Voxwarp Microphone".
#pragma once

#include <QWizard>

#include <memory>

#include "config/config.h"

class AudioBackend;
class CPgWzInput;
class CPgWzMonitor;
class TestStream;

// The wizard sheet: title text 238, our header pictures, the recording page and/or the
// playback page, Help (and F1) at the current page's topic. It owns the test stream both pages
// use. The pages store into config (input, mixInSrc, monitor) on Next or Finish.
class CSetupWizard : public QWizard {
    Q_OBJECT

public:
    // config must outlive the wizard. GUI thread.
    CSetupWizard(AppConfig& config, bool showIn, bool showMon, QWidget* parent = nullptr);
    ~CSetupWizard() override;

    // Null when the page was not added.
    CPgWzInput* InputPage() const { return input_; }
    CPgWzMonitor* MonitorPage() const { return monitor_; }
    TestStream& Stream() { return *stream_; }

    // Stops the tests and closes the stream before the sheet closes. GUI thread.
    void done(int result) override;

private:
    void OnPageChanged(int id);

    std::unique_ptr<AudioBackend> backend_;
    std::unique_ptr<TestStream> stream_;
    CPgWzInput* input_ = nullptr;
    CPgWzMonitor* monitor_ = nullptr;
};

// Builds and runs the wizard with the pages asked for; true at once when none is, false when
// the user cancelled. On Finish config's input, mixInSrc and monitor hold the answers; on
// Cancel config is unchanged. Logs "ShowWizard" with "showIn=%d, showMon=%d". GUI thread.
bool ShowWizard(AppConfig& config, bool showIn, bool showMon);

// Lists the devices (no device of one direction: text 240, false), answers what one device
// makes obvious (one recording device with a microphone line: input and mixInSrc; one playback
// device: monitor) and runs ShowWizard with the remaining pages. True when config was
// completed, false when the program must end. GUI thread.
bool WizardStart(AppConfig& config);

// The first-start use of the wizard: loads the configuration, runs WizardStart and, when it
// completes, sets `wizard` to 1 and writes the sys and soundcards sections. False when the user
// cancelled, no device was found or the configuration could not be written. GUI thread.
bool CompleteWizard(AppConfig& config);
