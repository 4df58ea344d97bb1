#include "options/pg_sound_card.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstring>

#include "audio/sound_devices.h"
#include "base/error.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "platform/autostart.h"
#include "platform/paths.h"

namespace {

constexpr unsigned kTextNoSources = 137;
constexpr unsigned kTextRestarting = 114;
constexpr unsigned kTextRestart = 115;
constexpr unsigned kTextServiceError = 207; // "%s\nError code: %u"
constexpr unsigned kTextGeneral = 354;
constexpr unsigned kTextAutostart = 355;
constexpr unsigned kTextRecording = 356;
constexpr unsigned kTextSource = 357;
constexpr unsigned kTextPlayback = 358;

// The name of the chosen device; empty when none is.
std::string ChosenName(const std::vector<WizardDevice>& devices, const QComboBox* list) {
    const int index = list->currentIndex();
    return index >= 0 && index < static_cast<int>(devices.size())
               ? devices[static_cast<std::size_t>(index)].name
               : std::string();
}

void FillDevices(QComboBox* list, const std::vector<WizardDevice>& devices,
                 const std::string& configured, int defaultNumber) {
    const QSignalBlocker block(list);
    list->clear();
    for (const WizardDevice& device : devices)
        list->addItem(QString::fromStdString(device.name));
    list->setCurrentIndex(PreferredDevice(devices, configured, defaultNumber));
}

} // namespace

CPgSoundCard::CPgSoundCard(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdSoundCard, parent), program_(platform::ExecutablePath()) {
    autostart_ = new QCheckBox(UiText(kTextAutostart), this);
    autostart_->setAccessibleName(autostart_->text());
    recording_ = new QComboBox(this);
    recording_->setAccessibleName(UiText(kTextRecording));
    sources_ = new QComboBox(this);
    sources_->setAccessibleName(UiText(kTextSource));
    playback_ = new QComboBox(this);
    playback_->setAccessibleName(UiText(kTextPlayback));
    restart_ = new QPushButton(UiText(kTextRestart), this);
    restart_->setAccessibleName(restart_->text());

    auto* devices = new QFormLayout;
    devices->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    devices->addRow(UiText(kTextRecording), recording_);
    devices->addRow(UiText(kTextSource), sources_);
    devices->addRow(UiText(kTextPlayback), playback_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autostart_);
    layout->addSpacing(12);
    layout->addLayout(devices);
    layout->addSpacing(12);
    layout->addWidget(restart_, 0, Qt::AlignLeft);
    layout->addStretch(1);
    setTabOrder(autostart_, recording_);
    setTabOrder(recording_, sources_);
    setTabOrder(sources_, playback_);
    setTabOrder(playback_, restart_);

    // toggled, not clicked: an assistive tool's toggle action does not click.
    connect(autostart_, &QCheckBox::toggled, this, &CPgSoundCard::OnAutostartToggled);
    connect(recording_, &QComboBox::currentIndexChanged, this, &CPgSoundCard::OnRecordingChosen);
    connect(sources_, &QComboBox::currentIndexChanged, this, &CPgSoundCard::OnSourceChosen);
    connect(playback_, &QComboBox::currentIndexChanged, this, &CPgSoundCard::OnPlaybackChosen);
    connect(restart_, &QPushButton::clicked, this, &CPgSoundCard::OnRestartClicked);
}

CPgSoundCard::~CPgSoundCard() {
    if (restartThread_.joinable())
        restartThread_.join();
}

QString CPgSoundCard::Title() const {
    return UiText(kTextGeneral);
}

void CPgSoundCard::SetAutostartProgram(const std::string& program) {
    program_ = program;
    const QSignalBlocker block(autostart_);
    autostart_->setChecked(platform::AutostartEnabled(program_));
}

void CPgSoundCard::UpdatePage() {
    LogScope scope("CPgSoundCard::UpdatePage");
    {
        const QSignalBlocker block(autostart_);
        autostart_->setChecked(platform::AutostartEnabled(program_));
    }
    int defaultRecording = -1;
    int defaultPlayback = -1;
    recordingDevices_ = WizardDevices(kSoundDevicesRecording, &defaultRecording);
    playbackDevices_ = WizardDevices(kSoundDevicesPlayback, &defaultPlayback);
    FillDevices(recording_, recordingDevices_, context_.working.input, defaultRecording);
    FillDevices(playback_, playbackDevices_, context_.working.monitor, defaultPlayback);
    FillSources(false);
}

void CPgSoundCard::OnAutostartToggled(bool checked) {
    const int error = platform::SetAutostart(program_, checked);
    LogPlain("Autostart %s: %s (%d)", checked ? "on" : "off",
             platform::AutostartEntryPath().c_str(), error);
    if (error != 0) {
        ShowMessage(this, std::string(std::strerror(error)) + ": " + platform::AutostartEntryPath(),
                    MessageIcon::Error);
    }
    const QSignalBlocker block(autostart_);
    autostart_->setChecked(platform::AutostartEnabled(program_));
}

void CPgSoundCard::FillSources(bool micFirst) {
    const QSignalBlocker block(sources_);
    sources_->clear();
    const int index = recording_->currentIndex();
    RecordingLines lines;
    if (index >= 0 && index < static_cast<int>(recordingDevices_.size()))
        lines = ReadRecordingLines(mixer_,
                                   recordingDevices_[static_cast<std::size_t>(index)].deviceNumber,
                                   context_.working.mixInSrc, micFirst);
    else
        mixer_.Close();
    if (lines.names.empty() || mixer_.HasNoSources()) {
        sources_->addItem(UiText(kTextNoSources));
        sources_->setEnabled(false);
        return;
    }
    for (const std::string& name : lines.names)
        sources_->addItem(QString::fromStdString(name));
    sources_->setEnabled(true);
    sources_->setCurrentIndex(lines.chosen);
    // GuiSelectInMixer: the device records through the chosen line.
    if (micFirst && mixer_.HasSelector())
        mixer_.SelectSource(lines.chosen);
}

void CPgSoundCard::OnRecordingChosen(int) {
    FillSources(true);
    StoreChoice();
}

void CPgSoundCard::OnSourceChosen(int index) {
    if (index >= 0 && mixer_.HasSelector())
        mixer_.SelectSource(index);
    StoreChoice();
}

void CPgSoundCard::OnPlaybackChosen(int) {
    StoreChoice();
}

void CPgSoundCard::StoreChoice() {
    AppConfig& working = context_.working;
    working.input = ChosenName(recordingDevices_, recording_);
    working.mixInSrc =
        sources_->isEnabled() ? sources_->currentText().toStdString() : std::string();
    working.monitor = ChosenName(playbackDevices_, playback_);
    LogNote("input=%s, mixInSrc=%s, monitor=%s", working.input.c_str(), working.mixInSrc.c_str(),
            working.monitor.c_str());
    SetModified();
}

void CPgSoundCard::OnRestartClicked() {
    if (busy_.exchange(true))
        return;
    if (restartThread_.joinable())
        restartThread_.join();
    restart_->setText(UiText(kTextRestarting));
    restart_->setAccessibleName(restart_->text());
    restart_->setEnabled(false);
    restartThread_ = std::thread(&CPgSoundCard::RestartService, this);
}

void CPgSoundCard::RestartService() {
    LogScope scope("CPgSoundCard::RestartService");
    const auto run = [this](const auto& step) {
        NtServiceSystemError error;
        const NtServiceErrorNum code = step(kVoxwarpServiceName, &error);
        if (code != kNtServiceSuccess)
            QMetaObject::invokeMethod(
                this, [this, code, error] { ShowServiceError(code, error); }, Qt::QueuedConnection);
    };
    run(service_.stop);
    run(service_.start);
    QMetaObject::invokeMethod(this, &CPgSoundCard::OnRestartEnded, Qt::QueuedConnection);
}

void CPgSoundCard::ShowServiceError(NtServiceErrorNum code, const NtServiceSystemError& error) {
    const std::string text = NtServiceErrorText(code);
    const MyError message(LoadStr(kTextServiceError).c_str(), text.c_str(),
                          static_cast<unsigned>(error.code));
    LogError("%s", message.Text() != nullptr ? message.Text() : text.c_str());
    ShowMessage(this, message.Text() != nullptr ? message.Text() : text, MessageIcon::Error);
}

void CPgSoundCard::OnRestartEnded() {
    restart_->setText(UiText(kTextRestart));
    restart_->setAccessibleName(restart_->text());
    restart_->setEnabled(true);
    busy_.store(false);
}
