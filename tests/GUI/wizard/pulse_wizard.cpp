// The setup wizard on the private sound server: which pages appear for one, two and no
// recording devices, what Finish and Cancel store, the virtual microphone never offered, and
// the playback page's Test button.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "base/strtable.h"
#include "common/message_box.h"
#include "config/config.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"
#include "wizard/pg_wz_input.h"
#include "wizard/pg_wz_monitor.h"
#include "wizard/wizard.h"

namespace {

using pulsetest::Pactl;
using pulsetest::ShellQuoted;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Changes the private sound server's devices for one test and puts everything back after it:
// added modules are unloaded, removed ones loaded again with their arguments, the defaults
// restored.
class SoundScene {
public:
    SoundScene() {
        testsupport::UsePrivateSoundServer();
        defaultSink_ = Trimmed(Pactl("get-default-sink"));
        defaultSource_ = Trimmed(Pactl("get-default-source"));
    }
    ~SoundScene() {
        for (auto it = added_.rbegin(); it != added_.rend(); ++it)
            Pactl("unload-module " + *it);
        for (const auto& [module, args] : removed_)
            Pactl("load-module " + module + " " + ShellQuoted(args));
        Pactl("set-default-sink " + ShellQuoted(defaultSink_));
        Pactl("set-default-source " + ShellQuoted(defaultSource_));
    }

    // A recording device without ports: its one recording line is named like the device.
    void AddSource(const std::string& name, const std::string& description) {
        Load("module-null-source source_name=" + name + " " +
             ShellQuoted("description=\"" + description + "\""));
    }
    void AddSink(const std::string& name, const std::string& description) {
        Load("module-null-sink sink_name=" + name + " " +
             ShellQuoted("sink_properties='device.description=\"" + description + "\"'"));
    }
    // Unloads the module that made the device named name (argument sink_name or source_name).
    void Remove(const std::string& name) {
        std::istringstream modules(Pactl("list short modules"));
        for (std::string line; std::getline(modules, line);) {
            std::vector<std::string> cols = pulsetest::ShortColumn(line, 0);
            const std::string index = cols.empty() ? "" : cols[0];
            const std::vector<std::string> module = pulsetest::ShortColumn(line, 1);
            const std::vector<std::string> args = pulsetest::ShortColumn(line, 2);
            if (module.empty() || args.empty())
                continue;
            std::istringstream words(args[0]);
            for (std::string word; words >> word;) {
                if (word == "sink_name=" + name || word == "source_name=" + name) {
                    ASSERT_EQ(Pactl("unload-module " + index), "");
                    removed_.emplace_back(module[0], args[0]);
                    return;
                }
            }
        }
        FAIL() << "no module made " << name;
    }

private:
    void Load(const std::string& args) {
        const std::string index = Trimmed(Pactl("load-module " + args));
        ASSERT_FALSE(index.empty()) << args;
        added_.push_back(index);
    }

    std::string defaultSink_;
    std::string defaultSource_;
    std::vector<std::string> added_;
    std::vector<std::pair<std::string, std::string>> removed_;
};

// Runs action on the wizard as soon as one is shown (exec runs its own event loop). Watches
// until the object goes.
class WizardWatcher {
public:
    explicit WizardWatcher(std::function<void(CSetupWizard&)> action) : action_(std::move(action)) {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start();
    }

private:
    void Look() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* wizard = qobject_cast<CSetupWizard*>(widget);
            if (wizard != nullptr && wizard->isVisible() && wizard->currentPage() != nullptr) {
                poll_.stop();
                action_(*wizard);
                return;
            }
        }
    }

    std::function<void(CSetupWizard&)> action_;
    QTimer poll_;
};

std::vector<std::string> Items(const QComboBox& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i)
        items.push_back(list.itemText(i).toStdString());
    return items;
}

int IndexOf(const QComboBox& list, const char* name) {
    return list.findText(QString::fromUtf8(name));
}

// Every control a user reaches with Tab has a name a screen reader can say.
void ExpectNamedControls(QWidget& page) {
    for (QWidget* child : page.findChildren<QWidget*>()) {
        if (child->focusPolicy() == Qt::NoFocus)
            continue;
        QAccessibleInterface* ai = QAccessible::queryAccessibleInterface(child);
        ASSERT_NE(ai, nullptr);
        EXPECT_FALSE(ai->text(QAccessible::Name).isEmpty()) << child->metaObject()->className();
    }
}

// A 16-bit mono 44100 Hz tone of the given length.
void WriteShortWave(const std::string& path, int milliseconds) {
    const std::uint32_t samples = 44100u * static_cast<std::uint32_t>(milliseconds) / 1000u;
    std::string data;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const auto s = static_cast<std::int16_t>((i / 50) % 2 ? 8000 : -8000);
        data.append(reinterpret_cast<const char*>(&s), 2);
    }
    auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    const std::string fmt = u16(1) + u16(1) + u32(44100) + u32(88200) + u16(2) + u16(16);
    const std::string body = "WAVE" + std::string("fmt ") + u32(16) + fmt + "data" +
                             u32(static_cast<std::uint32_t>(data.size())) + data;
    testsupport::WriteFile(path, "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body);
}

class WizardOnSoundServer : public testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        SetMessageHandler([this](const ShownMessage& message) {
            messages_.push_back(message.text);
            return MessageAnswer::Ok;
        });
    }
    void TearDown() override {
        SetMessageHandler({});
        EndStrings();
    }

    // The configuration as stored in the program folder.
    AppConfig Stored() {
        AppConfig stored(dir_.Path());
        stored.Load();
        return stored;
    }

    testsupport::TempDir dir_;
    SoundScene scene_;
    std::vector<std::string> messages_;
};

TEST_F(WizardOnSoundServer, OneMicrophoneAndOneSpeakerNeedNoPage) {
    scene_.Remove("fake_mic");
    scene_.Remove("speakers");
    scene_.AddSource("wizard_mic", "Mic");
    bool shown = false;
    WizardWatcher watcher([&shown](CSetupWizard& wizard) {
        shown = true;
        wizard.reject();
    });

    AppConfig config(dir_.Path());
    EXPECT_TRUE(CompleteWizard(config));
    EXPECT_FALSE(shown);
    EXPECT_TRUE(messages_.empty());
    const AppConfig stored = Stored();
    EXPECT_TRUE(stored.wizard);
    EXPECT_EQ(stored.input, "Mic");
    EXPECT_EQ(stored.mixInSrc, "Mic");
    EXPECT_EQ(stored.monitor, "Fake microphone feed");
}

TEST_F(WizardOnSoundServer, VoxwarpWizardCommandStoresTheObviousDevicesAndLogs) {
    scene_.Remove("fake_mic");
    scene_.Remove("speakers");
    scene_.AddSource("wizard_mic", "Microphone");
    const int exitCode = testsupport::RunWithSoundServer(
        "VOXWARP_HOME=" + ShellQuoted(dir_.Path()) + " QT_QPA_PLATFORM=offscreen " +
        ShellQuoted(testsupport::ProgramDir() + "Voxwarp") + " --wizard");
    EXPECT_EQ(exitCode, 0);
    const AppConfig stored = Stored();
    EXPECT_TRUE(stored.wizard);
    EXPECT_EQ(stored.input, "Microphone");
    EXPECT_EQ(stored.monitor, "Fake microphone feed");
    const std::string log = testsupport::ReadFile(dir_.File("parlanocl.log"));
    EXPECT_NE(log.find("Soundcard enuminate..."), std::string::npos) << log;
    EXPECT_NE(log.find("ShowWizard(showIn=0, showMon=0)"), std::string::npos) << log;
}

TEST_F(WizardOnSoundServer, TwoMicrophonesAskBothPagesAndFinishStoresTheAnswers) {
    scene_.AddSource("wizard_headset", "USB Headset");
    scene_.AddSource("wizard_virtual_in", "Voxwarp Microphone");
    scene_.AddSink("wizard_virtual_out", "Voxwarp Microphone");
    WizardWatcher watcher([](CSetupWizard& wizard) {
        CPgWzInput* input = wizard.InputPage();
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(wizard.currentId(), CPgWzInput::kId);
        EXPECT_EQ(Items(*input->DeviceList()),
                  (std::vector<std::string>{"Built-in Microphone", "USB Headset"}));
        EXPECT_EQ(input->subTitle().toStdString(), LoadStr(102));
        EXPECT_TRUE(input->DeviceList()->isEnabled());
        ExpectNamedControls(*input);

        input->DeviceList()->setFocus();
        QTest::keyClick(input->DeviceList(), Qt::Key_Down);
        EXPECT_EQ(input->DeviceList()->currentText().toStdString(), "USB Headset");
        // No line of a port-less device is called microphone: the user is asked to choose.
        EXPECT_EQ(Items(*input->ChannelList()), std::vector<std::string>{"USB Headset"});
        EXPECT_EQ(input->ChannelLabel()->text().toStdString(), LoadStr(106));
        EXPECT_TRUE(input->TestRunning());
        // The level follows a change made elsewhere, and the slider sets the device's level.
        QSlider* level = input->VolumeSlider();
        EXPECT_TRUE(level->isEnabled());
        Pactl("set-source-volume wizard_headset 50%");
        EXPECT_TRUE(
            QTest::qWaitFor([level] { return std::abs(level->value() - 32768) < 700; }, 5000))
            << level->value();
        level->setValue(16384);
        EXPECT_NE(Pactl("get-source-volume wizard_headset").find(" 25%"), std::string::npos);

        wizard.next();
        EXPECT_FALSE(input->TestRunning());
        CPgWzMonitor* monitor = wizard.MonitorPage();
        ASSERT_NE(monitor, nullptr);
        EXPECT_EQ(wizard.currentId(), CPgWzMonitor::kId);
        EXPECT_EQ(Items(*monitor->DeviceList()),
                  (std::vector<std::string>{"Fake microphone feed", "Speakers"}));
        EXPECT_EQ(monitor->subTitle().toStdString(), LoadStr(109));
        ExpectNamedControls(*monitor);
        monitor->DeviceList()->setCurrentIndex(IndexOf(*monitor->DeviceList(), "Speakers"));
        wizard.button(QWizard::FinishButton)->click();
    });

    AppConfig config(dir_.Path());
    EXPECT_TRUE(CompleteWizard(config));
    EXPECT_TRUE(messages_.empty());
    const AppConfig stored = Stored();
    EXPECT_TRUE(stored.wizard);
    EXPECT_EQ(stored.input, "USB Headset");
    EXPECT_EQ(stored.mixInSrc, "USB Headset");
    EXPECT_EQ(stored.monitor, "Speakers");
}

TEST_F(WizardOnSoundServer, OnlyTheVirtualMicrophoneShowsAnEmptyListAndCancelKeepsWizardAtZero) {
    scene_.Remove("fake_mic");
    scene_.AddSource("wizard_virtual_in", "Voxwarp Microphone");
    testsupport::WriteFile(dir_.File("config.ini"),
                           "[soundcards]\ninput=Old mic\nmonitor=Old speakers\n[sys]\nwizard=0\n");
    WizardWatcher watcher([](CSetupWizard& wizard) {
        CPgWzInput* input = wizard.InputPage();
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->DeviceList()->count(), 0);
        EXPECT_FALSE(input->DeviceList()->isEnabled());
        EXPECT_EQ(input->subTitle().toStdString(), LoadStr(103));
        wizard.next();
        wizard.button(QWizard::CancelButton)->click();
    });

    AppConfig config(dir_.Path());
    EXPECT_FALSE(CompleteWizard(config));
    const AppConfig stored = Stored();
    EXPECT_FALSE(stored.wizard);
    EXPECT_EQ(stored.input, "Old mic");
    EXPECT_EQ(stored.monitor, "Old speakers");
}

TEST_F(WizardOnSoundServer, NoRecordingDeviceAtAllEndsWithAMessage) {
    scene_.Remove("fake_mic");
    bool shown = false;
    WizardWatcher watcher([&shown](CSetupWizard& wizard) {
        shown = true;
        wizard.reject();
    });
    AppConfig config(dir_.Path());
    EXPECT_FALSE(CompleteWizard(config));
    EXPECT_FALSE(shown);
    EXPECT_EQ(messages_, std::vector<std::string>{LoadStr(240)});
    EXPECT_FALSE(Stored().wizard);
}

TEST_F(WizardOnSoundServer, TestButtonPlaysTheSoundAndTurnsBackToTestAtItsEnd) {
    WriteShortWave(dir_.File("short.wav"), 300);
    AppConfig config(dir_.Path());
    CSetupWizard wizard(config, false, true);
    wizard.show();
    CPgWzMonitor* monitor = wizard.MonitorPage();
    ASSERT_NE(monitor, nullptr);
    monitor->DeviceList()->setCurrentIndex(IndexOf(*monitor->DeviceList(), "Speakers"));
    QPushButton* test = monitor->TestButton();
    EXPECT_EQ(test->text().toStdString(), LoadStr(110));

    // A missing sound is reported and nothing plays.
    monitor->SetTestSound(dir_.File("missing.wav"), false);
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_EQ(messages_, std::vector<std::string>{LoadStr(237)});
    EXPECT_EQ(test->text().toStdString(), LoadStr(110));

    monitor->SetTestSound(dir_.File("short.wav"), false);
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_EQ(test->text().toStdString(), LoadStr(111));
    EXPECT_TRUE(monitor->TestRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return test->text().toStdString() == LoadStr(110); }, 20000));
    EXPECT_FALSE(monitor->TestRunning());
    EXPECT_FALSE(wizard.Stream().IsRunning());
    EXPECT_EQ(messages_.size(), 1u);

    // Pressed again, Test plays anew and Stop ends it at once.
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_TRUE(monitor->TestRunning());
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_FALSE(monitor->TestRunning());
    EXPECT_EQ(test->text().toStdString(), LoadStr(110));
}

} // namespace
