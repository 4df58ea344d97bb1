#include "wizard/pg_wz_input.h"

#include <QComboBox>
#include <QLabel>
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

CPgWzInput::CPgWzInput(AppConfig& config, TestStream& stream, QWidget* parent)
    : QWizardPage(parent), config_(config), stream_(stream) {
    setTitle(UiText(wiztext::kRecording));

    devices_ = new QComboBox(this);
    devices_->setAccessibleName(UiText(wiztext::kRecording));
    channelLabel_ = new QLabel(this);
    channelLabel_->setWordWrap(true);
    channels_ = new QComboBox(this);
    channelLabel_->setBuddy(channels_);
    auto* volumeLabel = new QLabel(UiText(wiztext::kVolume), this);
    volume_ = MakeVolumeSlider(this);
    volumeLabel->setBuddy(volume_);
    scope_ = MakeScope(this);
    feed_ = new TestFeed(stream_, *scope_, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(devices_);
    layout->addSpacing(8);
    layout->addWidget(channelLabel_);
    layout->addWidget(channels_);
    layout->addSpacing(8);
    layout->addWidget(volumeLabel);
    layout->addWidget(volume_);
    layout->addSpacing(8);
    layout->addWidget(scope_);
    layout->addStretch(1);

    int defaultNumber = -1;
    deviceList_ = WizardDevices(kSoundDevicesRecording, &defaultNumber);
    for (const WizardDevice& device : deviceList_)
        devices_->addItem(QString::fromStdString(device.name));
    const unsigned explanation = deviceList_.empty()       ? wiztext::kNoRecording
                                 : deviceList_.size() == 1 ? wiztext::kOneRecording
                                                           : wiztext::kSeveralRecording;
    // The explanation is the header's subtitle, under the page title.
    setSubTitle(UiText(explanation));
    devices_->setAccessibleDescription(subTitle());
    devices_->setEnabled(deviceList_.size() > 1);

    connect(devices_, &QComboBox::currentIndexChanged, this, &CPgWzInput::OnDeviceChosen);
    connect(channels_, &QComboBox::currentIndexChanged, this, &CPgWzInput::OnChannelChosen);
    connect(volume_, &QSlider::valueChanged, this, &CPgWzInput::OnVolumeChanged);
    volumePoll_.setInterval(kVolumePollMs);
    connect(&volumePoll_, &QTimer::timeout, this, &CPgWzInput::PollVolume);

    const int preferred = PreferredDevice(deviceList_, config_.input, defaultNumber);
    devices_->setCurrentIndex(preferred);
    if (preferred <= 0)
        OnDeviceChosen(preferred); // index 0 or -1 emits no change
}

CPgWzInput::~CPgWzInput() {
    Deactivate();
}

void CPgWzInput::Activate() {
    active_ = true;
    volumePoll_.start();
    StartTest();
}

void CPgWzInput::Deactivate() {
    active_ = false;
    volumePoll_.stop();
    StopTest();
}

bool CPgWzInput::validatePage() {
    StopTest();
    UpdateCfg();
    return true;
}

bool CPgWzInput::TestRunning() const {
    return feed_->IsFeeding();
}

void CPgWzInput::OnDeviceChosen(int index) {
    StopTest();
    mixer_.Close();
    const QSignalBlocker block(channels_);
    channels_->clear();
    channels_->setEnabled(false);
    volume_->setEnabled(false);
    channelLabel_->clear();
    if (index < 0 || index >= static_cast<int>(deviceList_.size()))
        return;

    const WizardDevice& device = deviceList_[static_cast<std::size_t>(index)];
    // GuiSelectInMixer: the device's recording lines, the microphone line chosen.
    const RecordingLines lines =
        ReadRecordingLines(mixer_, device.deviceNumber, config_.mixInSrc, true);
    if (!lines.mixerOpen) {
        channelLabel_->setText(
            QString::fromStdString(WizFormat(wiztext::kMixerOpenFailed, device.name)));
        channels_->setAccessibleName(channelLabel_->text());
        StartTest();
        return;
    }
    for (const std::string& name : lines.names)
        channels_->addItem(QString::fromStdString(name));
    channelLabel_->setText(
        UiText(lines.micFound ? wiztext::kMicChannelFound : wiztext::kChooseMicChannel));
    channels_->setAccessibleName(channelLabel_->text());
    channels_->setEnabled(!mixer_.HasNoSources());

    const int channel = lines.chosen < 0 ? 0 : lines.chosen;
    channels_->setCurrentIndex(channel);
    OnChannelChosen(channel); // the signals are blocked while the list is filled
}

void CPgWzInput::OnChannelChosen(int index) {
    if (index < 0 || !mixer_.IsOpen())
        return;
    const std::string name = channels_->itemText(index).toStdString();
    LogNote("chanel=%s", name.c_str());
    if (mixer_.HasSelector() && !mixer_.SelectSource(index)) {
        channelLabel_->setText(UiText(wiztext::kInputMixerFailed));
        channels_->setAccessibleName(channelLabel_->text());
    }
    PollVolume();
    std::uint32_t value = 0;
    volume_->setEnabled(mixer_.GetRecordingVolume(value));
    // The test records through the chosen line.
    if (active_)
        StartTest();
}

void CPgWzInput::OnVolumeChanged(int value) {
    if (settingVolume_ || !mixer_.IsOpen())
        return;
    mixer_.SetRecordingVolume(static_cast<std::uint32_t>(value));
}

void CPgWzInput::PollVolume() {
    if (!mixer_.IsOpen() || volume_->isSliderDown())
        return;
    std::uint32_t value = 0;
    if (!mixer_.GetRecordingVolume(value) || static_cast<int>(value) == volume_->value())
        return;
    settingVolume_ = true;
    volume_->setValue(static_cast<int>(value));
    settingVolume_ = false;
}

void CPgWzInput::StartTest() {
    StopTest();
    if (!active_)
        return;
    const int index = devices_->currentIndex();
    if (index < 0 || index >= static_cast<int>(deviceList_.size()))
        return;
    const int device = deviceList_[static_cast<std::size_t>(index)].deviceNumber;
    MmeErrorNum error =
        stream_.OpenStream(device, -1, ChosenChannel(), config_.inBuffSizeMs, config_.inBuffsN);
    if (error != kMmeSuccess) {
        ShowMessage(this, WizFormat(wiztext::kTestOpenFailed, MmeErrorText(error)),
                    MessageIcon::Error);
        return;
    }
    feed_->Start();
    error = stream_.TestStart();
    if (error != kMmeSuccess) {
        StopTest();
        ShowMessage(this, WizFormat(wiztext::kTestStartFailed, MmeErrorText(error)),
                    MessageIcon::Error);
    }
}

void CPgWzInput::StopTest() {
    feed_->Stop();
    stream_.Stop();
    stream_.CloseStream();
}

std::string CPgWzInput::ChosenChannel() const {
    if (!mixer_.IsOpen() || mixer_.HasNoSources() || channels_->currentIndex() < 0)
        return {};
    return channels_->currentText().toStdString();
}

void CPgWzInput::UpdateCfg() {
    const int index = devices_->currentIndex();
    config_.input = index >= 0 && index < static_cast<int>(deviceList_.size())
                        ? deviceList_[static_cast<std::size_t>(index)].name
                        : std::string();
    config_.mixInSrc = ChosenChannel();
    LogNote("input=%s, mixInSrc=%s", config_.input.c_str(), config_.mixInSrc.c_str());
}
