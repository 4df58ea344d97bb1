// What the tests of the Background and Fun Sounds pages share: a program folder of their own,
// the working copy and the running configuration, a test stream on the in-memory devices, a
// voice server that only records what it was told, message boxes answered by the test, and
// WAV files made with sox.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "config/config.h"
#include "options/options_context.h"
#include "options/options_server.h"
#include "options/sound_page_texts.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace soundpagetest {

class RecordingServer : public OptionsServer {
public:
    bool connected = false;
    std::vector<std::pair<int, std::string>> backSoundSelects;
    std::vector<bool> monitorSets;

    bool Connected() override { return connected; }
    bool MonitorSet(bool on) override {
        monitorSets.push_back(on);
        return connected;
    }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        backSoundSelects.emplace_back(slot, fileName);
        return connected;
    }
    bool SrvUpdate() override { return connected; }
};

class SoundPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        std::filesystem::create_directories(folder_.File("backsounds"));
        std::filesystem::create_directories(folder_.File("emoticsounds"));
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message);
            if (message.buttons != MessageButtons::YesNo)
                return MessageAnswer::Ok;
            MessageAnswer answer = answers_.empty() ? MessageAnswer::No : answers_.front();
            if (!answers_.empty())
                answers_.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        SetMessageHandler({});
        EndStrings();
    }

    // A WAV file made by sox: "-r 48000 -c 2 -b 24" and the like; a sine of a second.
    static void MakeWave(const std::string& path, const std::string& format, double seconds = 1.0) {
        const std::string command = "sox -n " + format + " '" + path + "' synth " +
                                    std::to_string(seconds) + " sine 440 vol 0.5";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::string Mono(const std::string& name, double seconds = 1.0) {
        const std::string path = folder_.File(name);
        MakeWave(path, "-r 44100 -c 1 -b 16", seconds);
        return path;
    }

    template <typename W>
    static W* Child(QWidget& page, const char* name) {
        W* widget = page.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static void Click(QWidget& page, const char* name) {
        auto* button = Child<QPushButton>(page, name);
        ASSERT_TRUE(button->isEnabled()) << name;
        button->click();
    }
    std::string LastText() const { return shown_.empty() ? std::string() : shown_.back().text; }

    // Every control a user reaches with the keyboard has a name for a screen reader.
    static void ExpectAccessibleNames(QWidget& page) {
        for (QWidget* control : page.findChildren<QWidget*>()) {
            if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(&page))
                continue;
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->metaObject()->className() << " " << control->objectName().toStdString();
        }
    }

    testsupport::TempDir folder_;
    AppConfig running_{folder_.Path()};
    AppConfig working_{folder_.Path()};
    MemoryAudioBackend backend_;
    TestStream stream_{backend_};
    RecordingServer server_;
    OptionsContext context_{working_, running_, stream_, server_};
    std::vector<ShownMessage> shown_;
    std::deque<MessageAnswer> answers_;
};

} // namespace soundpagetest
