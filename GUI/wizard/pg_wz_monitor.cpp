#include "wizard/pg_wz_monitor.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "audio/sound_devices.h"
#include "base/mlog.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "scope/osci.h"
#include "teststream/test_stream.h"
#include "wizard/test_feed.h"
#include "wizard/wizard_page_parts.h"
#include "wizard/wizard_texts.h"

CPgWzMonitor::CPgWzMonitor(AppConfig& config, TestStream& stream, QWidget* parent)
    : QWizardPage(parent), config_(config), stream_(stream),
      testSound_(config.ProgramFolder() + kTestSoundFile) {
    setTitle(UiText(wiztext::kPlayback));

    devices_ = new QComboBox(this);
    devices_->setAccessibleName(UiText(wiztext::kPlayback));
    auto* volumeLabel = new QLabel(UiText(wiztext::kVolume), this);
    volume_ = MakeVolumeSlider(this);
    volumeLabel->setBuddy(volume_);
    test_ = new QPushButton(UiText(wiztext::kTest), this);
    test_->setAutoDefault(false);
    scope_ = MakeScope(this);
    feed_ = new TestFeed(stream_, *scope_, this);

    auto* testRow = new QHBoxLayout;
    testRow->addWidget(test_, 0, Qt::AlignVCenter);
    testRow->addWidget(scope_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(devices_);
    layout->addSpacing(8);
    layout->addWidget(volumeLabel);
    layout->addWidget(volume_);
    layout->addSpacing(8);
    layout->addLayout(testRow);
    layout->addStretch(1);

    int defaultNumber = -1;
    deviceList_ = WizardDevices(kSoundDevicesPlayback, &defaultNumber);
    for (const WizardDevice& device : deviceList_)
        devices_->addItem(QString::fromStdString(device.name));
    const unsigned explanation = deviceList_.empty()       ? wiztext::kNoPlayback
                                 : deviceList_.size() == 1 ? wiztext::kOnePlayback
                                                           : wiztext::kSeveralPlayback;
    // The explanation is the header's subtitle, under the page title.
    setSubTitle(UiText(explanation));
    devices_->setAccessibleDescription(subTitle());
    devices_->setEnabled(deviceList_.size() > 1);
    volume_->setEnabled(false);

    connect(devices_, &QComboBox::currentIndexChanged, this, &CPgWzMonitor::OnDeviceChosen);
    connect(volume_, &QSlider::valueChanged, this, &CPgWzMonitor::OnVolumeChanged);
    connect(test_, &QPushButton::clicked, this, &CPgWzMonitor::OnTestClicked);
    connect(feed_, &TestFeed::testEnded, this, &CPgWzMonitor::StopTest);
    volumePoll_.setInterval(kVolumePollMs);
    connect(&volumePoll_, &QTimer::timeout, this, &CPgWzMonitor::PollVolume);

    const int preferred = PreferredDevice(deviceList_, config_.monitor, defaultNumber);
    devices_->setCurrentIndex(preferred);
    if (preferred <= 0)
        OnDeviceChosen(preferred); // index 0 or -1 emits no change
}

CPgWzMonitor::~CPgWzMonitor() {
    Deactivate();
}

void CPgWzMonitor::Activate() {
    volumePoll_.start();
}

void CPgWzMonitor::Deactivate() {
    volumePoll_.stop();
    StopTest();
}

bool CPgWzMonitor::validatePage() {
    StopTest();
    UpdateCfg();
    return true;
}

void CPgWzMonitor::SetTestSound(const std::string& file, bool loop) {
    testSound_ = file;
    loop_ = loop;
}

void CPgWzMonitor::OnDeviceChosen(int index) {
    StopTest();
    mixer_.Close();
    volume_->setEnabled(false);
    if (index >= 0 && index < static_cast<int>(deviceList_.size()))
        SelectOutMixer(deviceList_[static_cast<std::size_t>(index)]);
}

void CPgWzMonitor::SelectOutMixer(const WizardDevice& device) {
    LogScope scope("CPgWzMonitor::SelectOutMixer", "\"%s\"", device.name.c_str());
    const std::uint32_t mixerId = MixerIdFor(kLookupPlayback, device.deviceNumber);
    if (mixerId == kNoMixerId || !mixer_.Open(mixerId, 0, nullptr)) {
        ShowMessage(this, WizFormat(wiztext::kOutMixerOpenFailed, device.name), MessageIcon::Error);
        return;
    }
    if (mixer_.GetMasterVolume().volumeControl == kNoMixerId) {
        LogWarning("Volume control not found");
        ShowMessage(this, UiText(wiztext::kNoVolumeControl).toStdString(), MessageIcon::Warning);
        return;
    }
    if (mixer_.GetVolume(mixer_.GetMasterVolume().volumeControl) < 0) {
        ShowMessage(this, UiText(wiztext::kNoVolumeControl).toStdString(), MessageIcon::Error);
        return;
    }
    volume_->setEnabled(true);
    PollVolume();
}

void CPgWzMonitor::OnVolumeChanged(int value) {
    if (settingVolume_ || !mixer_.IsOpen())
        return;
    mixer_.SetVolume(mixer_.GetMasterVolume().volumeControl, static_cast<std::uint32_t>(value));
}

void CPgWzMonitor::PollVolume() {
    if (!mixer_.IsOpen() || volume_->isSliderDown())
        return;
    const int value = mixer_.GetVolume(mixer_.GetMasterVolume().volumeControl);
    if (value < 0 || value == volume_->value())
        return;
    settingVolume_ = true;
    volume_->setValue(value);
    settingVolume_ = false;
}

void CPgWzMonitor::OnTestClicked() {
    if (testing_)
        StopTest();
    else
        StartTest();
}

void CPgWzMonitor::StartTest() {
    const int index = devices_->currentIndex();
    if (index < 0 || index >= static_cast<int>(deviceList_.size())) {
        ShowMessage(this, UiText(wiztext::kSelectDevice).toStdString(), MessageIcon::Error);
        return;
    }
    const int device = deviceList_[static_cast<std::size_t>(index)].deviceNumber;
    MmeErrorNum error =
        stream_.OpenStream(-1, device, "", config_.monBuffSizeMs, config_.monBuffsN);
    if (error != kMmeSuccess) {
        ShowMessage(this, WizFormat(wiztext::kTestOpenFailed, MmeErrorText(error)),
                    MessageIcon::Error);
        return;
    }
    if (stream_.LoadWave(testSound_) != 0) {
        stream_.CloseStream();
        ShowMessage(this, UiText(wiztext::kTestWaveFailed).toStdString(), MessageIcon::Error);
        return;
    }
    stream_.SetLoop(loop_);
    feed_->Start();
    error = stream_.TestStart();
    if (error != kMmeSuccess) {
        feed_->Stop();
        stream_.Stop();
        stream_.CloseStream();
        ShowMessage(this, WizFormat(wiztext::kTestStartFailed, MmeErrorText(error)),
                    MessageIcon::Error);
        return;
    }
    testing_ = true;
    test_->setText(UiText(wiztext::kStop));
}

void CPgWzMonitor::StopTest() {
    if (!testing_)
        return;
    testing_ = false;
    feed_->Stop();
    stream_.Stop();
    stream_.CloseStream();
    test_->setText(UiText(wiztext::kTest));
}

void CPgWzMonitor::UpdateCfg() {
    const int index = devices_->currentIndex();
    if (index >= 0 && index < static_cast<int>(deviceList_.size()))
        config_.monitor = deviceList_[static_cast<std::size_t>(index)].name;
    LogNote("monitor=%s", config_.monitor.c_str());
}
