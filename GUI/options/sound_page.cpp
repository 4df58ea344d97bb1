#include "options/sound_page.h"

#include <QFileDialog>
#include <QPushButton>
#include <QSlider>

#include <filesystem>

#include "audio/wmme.h"
#include "base/mlog.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "editeffect/import_filter.h"
#include "effect/effect_library.h"
#include "options/sound_page_texts.h"
#include "sound/wave.h"
#include "teststream/test_stream.h"

using namespace soundtext;

namespace {

std::string DefaultImportChooser(QWidget* parent, const QString& filter) {
    const QString start = QString::fromStdString(LastImportFolder());
    return QFileDialog::getOpenFileName(parent, UiText(kImport).remove(QStringLiteral("...")),
                                        start, filter)
        .toStdString();
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

CSoundPage::CSoundPage(OptionsContext& context, int id, unsigned loadErrorId,
                       std::uint8_t AppConfig::*testVolume, QWidget* parent)
    : COptionsPage(context, id, parent), loadErrorId_(loadErrorId), testVolumeField_(testVolume),
      chooseImport_(DefaultImportChooser) {
    testButton_ = MakeButton(kTest, "test");

    // The test volume has no place on the page; it keeps what the configuration holds.
    testVolume_ = new QSlider(Qt::Horizontal, this);
    testVolume_->setObjectName(QStringLiteral("testVolume"));
    testVolume_->setAccessibleName(UiText(kTestVolume));
    testVolume_->setRange(0, 100);
    testVolume_->setValue(context_.working.*testVolumeField_);
    testVolume_->hide();
    connect(testVolume_, &QSlider::valueChanged, this, &CSoundPage::SetTestVolume);
}

QPushButton* CSoundPage::MakeButton(unsigned textId, const char* objectName) {
    QString caption = UiText(textId);
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAccessibleName(caption.remove(QStringLiteral("...")));
    button->setAutoDefault(false);
    return button;
}

void CSoundPage::SetTestVolume(int percent) {
    const auto volume = static_cast<std::uint8_t>(percent);
    context_.testStream.SetPlayVolume(volume);
    context_.working.*testVolumeField_ = volume;
    context_.running.*testVolumeField_ = volume;
    context_.running.WriteMonitors();
}

void CSoundPage::ToggleTest(const std::string& path) {
    TestStream& stream = context_.testStream;
    // A test that ran out but whose notice has not come yet counts as ended.
    if (testing_ && stream.IsRunning()) {
        StopTest();
        return;
    }
    StopTest();
    if (path.empty())
        return;
    LogScope scope("CSoundPage::OnTest", "%s", path.c_str());
    ServerMonitorOff();
    // The sheet opens the stream on the configured devices; without a playback stream nothing
    // could be heard.
    if (stream.OutputBufferCount() == 0) {
        ShowMessage(this, Format(kTestNotStarted, MmeErrorText(kMmeNotOpen).c_str()),
                    MessageIcon::Error);
        return;
    }
    stream.SetLoop(false);
    stream.SetPlayVolume(context_.working.*testVolumeField_);
    const std::uint32_t loaded = stream.LoadWave(path);
    if (loaded != kWaveSuccess) {
        ShowMessage(this, Format(loadErrorId_, WaveErrorText(loaded).c_str()), MessageIcon::Error);
        return;
    }
    const MmeErrorNum started = stream.TestStart();
    if (started != kMmeSuccess) {
        stream.Stop();
        ShowMessage(this, Format(kTestNotStarted, MmeErrorText(started).c_str()),
                    MessageIcon::Error);
        return;
    }
    testing_ = true;
    testButton_->setText(UiText(kStop));
    testButton_->setAccessibleName(UiText(kStop));
}

void CSoundPage::StopTest() {
    context_.testStream.Stop();
    testing_ = false;
    testButton_->setText(UiText(kTest));
    testButton_->setAccessibleName(UiText(kTest));
}

void CSoundPage::OnTestEnded() {
    // The notice of an earlier test may come after a new one started.
    if (context_.testStream.IsRunning())
        return;
    testing_ = false;
    testButton_->setText(UiText(kTest));
    testButton_->setAccessibleName(UiText(kTest));
}

std::string CSoundPage::ChooseImport(unsigned filterId) {
    return chooseImport_(this, QtFileFilter(LoadStr(filterId)));
}

bool CSoundPage::Ask(const std::string& text, bool warning) {
    return ShowMessage(this, text, warning ? MessageIcon::Warning : MessageIcon::Question,
                       MessageButtons::YesNo) == MessageAnswer::Yes;
}

bool CSoundPage::ImportReplacing(const std::string& source, const std::string& storedPath,
                                 unsigned questionId, const std::function<void()>& removeOld,
                                 const std::function<void()>& import) {
    LogScope scope("CSoundPage::OnImport", "%s", source.c_str());
    StopTest();
    std::error_code error;
    if (std::filesystem::exists(storedPath, error)) {
        // The sound itself, chosen in its folder: there is nothing to copy, and removing it
        // first would lose it.
        if (SameFile(source, storedPath))
            return false;
        const std::string name = std::filesystem::path(storedPath).filename().string();
        if (!Ask(Format(questionId, name.c_str()), true))
            return false;
        if (!RunFileOperation(removeOld))
            return false;
    }
    return RunFileOperation(import);
}
