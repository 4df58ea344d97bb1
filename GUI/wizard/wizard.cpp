#include "wizard/wizard.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcut>

#include "audio/mixer.h"
#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "common/app_icon.h"
#include "common/help.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "platform/sound/sound_server.h"
#include "teststream/test_stream.h"
#include "wizard/pg_wz_input.h"
#include "wizard/pg_wz_monitor.h"
#include "wizard/wizard_art.h"
#include "wizard/wizard_devices.h"
#include "wizard/wizard_texts.h"

namespace {

constexpr int kLogoSide = 56;
constexpr QSize kBannerSize(560, 72);

// The microphone line of a recording device; tells the user when its mixer cannot be opened.
bool FindDeviceMicLine(const WizardDevice& device, std::string& micLine) {
    micLine.clear();
    PortMixer mixer;
    const std::uint32_t mixerId = MixerIdFor(kLookupRecording, device.deviceNumber);
    if (mixerId == kNoMixerId || !mixer.Open(mixerId, 0, nullptr)) {
        ShowMessage(nullptr, UiText(wiztext::kInputMixerFailed).toStdString(), MessageIcon::Error);
        return false;
    }
    return FindMicLine(mixer, micLine);
}

} // namespace

CSetupWizard::CSetupWizard(AppConfig& config, bool showIn, bool showMon, QWidget* parent)
    : QWizard(parent), backend_(platform::CreateSoundServerBackend()),
      stream_(std::make_unique<TestStream>(*backend_)) {
    setWindowTitle(UiText(wiztext::kWizardTitle));
    setWizardStyle(QWizard::ModernStyle);
    setPixmap(QWizard::BannerPixmap, WizardBanner(kBannerSize));
    setPixmap(QWizard::LogoPixmap, AppLogo(kLogoSide));
    setOption(QWizard::HaveHelpButton);
    setOption(QWizard::NoBackButtonOnStartPage);
    setButtonText(QWizard::CancelButton, UiText(wiztext::kCancel));

    if (showIn) {
        input_ = new CPgWzInput(config, *stream_);
        setPage(CPgWzInput::kId, input_);
    }
    if (showMon) {
        monitor_ = new CPgWzMonitor(config, *stream_);
        setPage(CPgWzMonitor::kId, monitor_);
    }

    connect(this, &QWizard::currentIdChanged, this, &CSetupWizard::OnPageChanged);
    connect(this, &QWizard::helpRequested, this, [this] { HelpShow(this, currentId()); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, [this] { HelpShow(this, currentId()); });
}

CSetupWizard::~CSetupWizard() {
    // The pages use the stream: they go before it does. Removing a page changes the current
    // page, which nothing may answer any more.
    disconnect(this, &QWizard::currentIdChanged, this, &CSetupWizard::OnPageChanged);
    input_ = nullptr;
    monitor_ = nullptr;
    for (int id : pageIds()) {
        QWizardPage* p = page(id);
        removePage(id);
        delete p;
    }
    stream_.reset();
}

void CSetupWizard::done(int result) {
    if (input_ != nullptr)
        input_->Deactivate();
    if (monitor_ != nullptr)
        monitor_->Deactivate();
    stream_->CloseStream();
    QWizard::done(result);
}

void CSetupWizard::OnPageChanged(int id) {
    // One stream serves both pages: the page left stops its test before the other starts.
    if (input_ != nullptr && id != CPgWzInput::kId)
        input_->Deactivate();
    if (monitor_ != nullptr && id != CPgWzMonitor::kId)
        monitor_->Deactivate();
    if (input_ != nullptr && id == CPgWzInput::kId)
        input_->Activate();
    if (monitor_ != nullptr && id == CPgWzMonitor::kId)
        monitor_->Activate();
}

bool ShowWizard(AppConfig& config, bool showIn, bool showMon) {
    LogScope scope("ShowWizard", "showIn=%d, showMon=%d", showIn ? 1 : 0, showMon ? 1 : 0);
    if (!showIn && !showMon) {
        scope.SetResult(true);
        return true;
    }
    // The pages answer into a copy, so that Cancel leaves the configuration as it was.
    AppConfig answers = config;
    bool finished = false;
    {
        CSetupWizard wizard(answers, showIn, showMon);
        finished = wizard.exec() == QDialog::Accepted;
    }
    if (finished) {
        config.input = answers.input;
        config.mixInSrc = answers.mixInSrc;
        config.monitor = answers.monitor;
    }
    scope.SetResult(finished);
    return finished;
}

bool WizardStart(AppConfig& config) {
    LogScope scope("WizardStart");
    LogNote("Soundcard enuminate...");
    const CSoundDevices recording(kSoundDevicesRecording);
    const CSoundDevices playback(kSoundDevicesPlayback);
    if (recording.GetCount() == 0 || playback.GetCount() == 0) {
        ShowMessage(nullptr, UiText(wiztext::kNoDevices).toStdString(), MessageIcon::Error);
        scope.SetResult(false);
        return false;
    }

    LogNote("Page define...");
    bool showIn = true;
    bool showMon = true;
    const std::vector<WizardDevice> microphones = WizardDevices(kSoundDevicesRecording);
    if (microphones.size() == 1) {
        config.input = microphones.front().name;
        std::string micLine;
        if (FindDeviceMicLine(microphones.front(), micLine)) {
            config.mixInSrc = micLine;
            showIn = false;
        }
    }
    // The only headset or speakers are the monitor.
    const std::vector<WizardDevice> speakers = WizardDevices(kSoundDevicesPlayback);
    if (speakers.size() == 1) {
        config.monitor = speakers.front().name;
        showMon = false;
    }
    const bool result = ShowWizard(config, showIn, showMon);
    scope.SetResult(result);
    return result;
}

bool CompleteWizard(AppConfig& config) {
    LogMethod("CompleteWizard", "wizard pages...");
    config.Load();
    if (!WizardStart(config))
        return false;
    config.wizard = true;
    const bool written = config.WriteSys() && config.WriteSoundCards();
    if (!written)
        LogError("CompleteWizard: the configuration could not be written");
    return written;
}
