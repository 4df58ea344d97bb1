// The Voice Effects page on the offscreen platform: a program folder of its own with the host
// tests' gain plug-in and a file that is not a plug-in, a fake voice server, and the test stream
// on in-memory sound devices. Message boxes are answered by the test.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "fake_sound_system.h"
#include "options/options_server.h"
#include "options/pg_effects.h"
#include "program_dir.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace {

namespace fs = std::filesystem;

class FakeServer : public OptionsServer {
public:
    bool Connected() override { return connected; }
    bool MonitorSet(bool on) override {
        monitorSets.push_back(on);
        return connected;
    }
    bool BackSoundSelect(std::int32_t, const std::string&) override { return connected; }
    bool SrvUpdate() override { return connected; }

    bool connected = true;
    std::vector<bool> monitorSets;
};

std::string TestPlugin(const std::string& name) {
    return testsupport::ProgramDir() + "../tests/plugins/" + name + ".so";
}

class PgEffects : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        SetSoundSystem(&sounds_);
        fs::create_directories(folder_.File("effects"));
        fs::copy_file(TestPlugin("gain"), folder_.File("effects/Gain.so"));
        fs::copy_file(TestPlugin("no_entry"), folder_.File("effects/Broken.so"));
        running_.voiceEffects = {{"Gain", "Robot", {{0.75f, ""}}},
                                 {"", "Silent", {}},
                                 {"Broken", "Crash", {}},
                                 {"Gain", "Quiet", {{0.1f, ""}}}};
        running_.effects = {"Robot", "Quiet", "Robot"};
        working_ = running_;
        ASSERT_EQ(stream_.OpenStream(backend_.AddCaptureDevice("Mic"),
                                     backend_.AddPlaybackDevice("Speakers"), "", 25, 4),
                  kMmeSuccess);
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message);
            if (message.buttons != MessageButtons::YesNo)
                return MessageAnswer::Ok;
            const MessageAnswer answer = answers_.empty() ? MessageAnswer::No : answers_.front();
            if (!answers_.empty())
                answers_.pop_front();
            return answer;
        });
        page_ = std::make_unique<CPgEffects>(context_);
        page_->show();
        page_->OnSetActive();
    }
    void TearDown() override {
        page_->OnKillActive();
        page_.reset();
        stream_.CloseStream();
        SetMessageHandler({});
        SetSoundSystem(nullptr);
        EndStrings();
    }

    template <typename W>
    W* Child(const char* name) {
        W* widget = page_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Clicks the library line of the effect called name, as the user does.
    void Select(const char* name) {
        auto* library = Child<QTreeWidget>("library");
        const auto found = library->findItems(QString::fromLatin1(name), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name;
        QTest::mouseClick(library->viewport(), Qt::LeftButton, {},
                          library->visualItemRect(found.front()).center());
        ASSERT_TRUE(found.front()->isSelected()) << name;
    }
    QString Slot(int n) { return Child<QLineEdit>(("slot" + std::to_string(n)).c_str())->text(); }
    std::string LastText() const { return shown_.empty() ? std::string() : shown_.back().text; }

    testaudio::FakeSoundSystem sounds_;
    MemoryAudioBackend backend_;
    TestStream stream_{backend_};
    testsupport::TempDir folder_;
    AppConfig running_{folder_.Path()};
    AppConfig working_{folder_.Path()};
    FakeServer server_;
    OptionsContext context_{working_, running_, stream_, server_};
    std::vector<ShownMessage> shown_;
    std::deque<MessageAnswer> answers_;
    std::unique_ptr<CPgEffects> page_;
};

TEST_F(PgEffects, SelectionEnablesTheSlotButtonsAndPutsTheEffectIntoASlot) {
    auto* library = Child<QTreeWidget>("library");
    ASSERT_EQ(library->topLevelItemCount(), 4);
    EXPECT_EQ(library->topLevelItem(3)->text(0), "Quiet");
    EXPECT_EQ(library->topLevelItem(3)->text(1), "Gain");
    EXPECT_EQ(library->headerItem()->text(0), "Name");
    EXPECT_EQ(library->headerItem()->text(1), "VST plug-in");
    EXPECT_EQ(Slot(1), "Robot");
    EXPECT_EQ(Slot(2), "Quiet");
    for (const char* name : {"put1", "put2", "put3", "delete", "edit", "test"})
        EXPECT_FALSE(Child<QPushButton>(name)->isEnabled()) << name;

    Select("Quiet");
    EXPECT_EQ(Child<QLineEdit>("usedVst")->text(), "Gain");
    for (const char* name : {"put1", "put2", "put3", "delete"})
        EXPECT_TRUE(Child<QPushButton>(name)->isEnabled()) << name;
    EXPECT_FALSE(context_.modified);
    QSignalSpy modified(page_.get(), &COptionsPage::modified);
    QTest::mouseClick(Child<QPushButton>("put3"), Qt::LeftButton);
    EXPECT_EQ(working_.effects[2], "Quiet");
    EXPECT_EQ(Slot(3), "Quiet");
    EXPECT_EQ(running_.effects[2], "Robot") << "only Apply changes the running configuration";
    EXPECT_TRUE(context_.modified);
    EXPECT_EQ(modified.count(), 1);

    // No selection: the buttons go grey and the plug-in text empties.
    library->clearSelection();
    EXPECT_FALSE(Child<QPushButton>("put1")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>("usedVst")->text().isEmpty());

    // Every control a user can reach has a name for a screen reader.
    for (QWidget* control : page_->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus)
            continue;
        EXPECT_FALSE(control->accessibleName().isEmpty())
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
}

TEST_F(PgEffects, DeleteAsksAndEmptiesTheSlotsOfTheEffect) {
    Select("Robot");
    answers_ = {MessageAnswer::No};
    QTest::mouseClick(Child<QPushButton>("delete"), Qt::LeftButton);
    EXPECT_EQ(LastText(), "Do you really want delete the effect \"Robot\"");
    EXPECT_EQ(shown_.back().icon, MessageIcon::Warning);
    EXPECT_EQ(working_.voiceEffects.size(), 4u);
    EXPECT_FALSE(context_.modified);

    answers_ = {MessageAnswer::Yes};
    QTest::mouseClick(Child<QPushButton>("delete"), Qt::LeftButton);
    ASSERT_EQ(working_.voiceEffects.size(), 3u);
    EXPECT_EQ(working_.effects, (std::array<std::string, 3>{"", "Quiet", ""}));
    EXPECT_EQ(Slot(1), "");
    EXPECT_EQ(Slot(2), "Quiet");
    EXPECT_EQ(Child<QTreeWidget>("library")->topLevelItemCount(), 3);
    EXPECT_TRUE(Child<QTreeWidget>("library")->selectedItems().isEmpty());
    EXPECT_FALSE(Child<QPushButton>("delete")->isEnabled());
    EXPECT_TRUE(context_.modified);
}

TEST_F(PgEffects, EditAndNewStoreTheEditorsEffectAndSlotsFollowARename) {
    // The editor is driven as a user would: a new name, then OK.
    std::string nameToType;
    page_->SetEditorRunner([&nameToType](CEditEffect& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("name"))
            ->setText(QString::fromStdString(nameToType));
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return dialog.result();
    });
    Select("Robot");
    nameToType = "Droid";
    QTest::mouseClick(Child<QPushButton>("edit"), Qt::LeftButton);
    EXPECT_EQ(working_.voiceEffects[0].name, "Droid");
    EXPECT_EQ(working_.voiceEffects[0].plugin, "Gain");
    EXPECT_EQ(working_.effects, (std::array<std::string, 3>{"Droid", "Quiet", "Droid"}));
    EXPECT_EQ(Slot(3), "Droid");
    EXPECT_EQ(Child<QTreeWidget>("library")->selectedItems().front()->text(0), "Droid");
    EXPECT_TRUE(context_.modified);
    EXPECT_EQ(server_.monitorSets, std::vector<bool>{false}) << "the server's monitor goes off";
    EXPECT_FALSE(stream_.Effect().IsLoaded()) << "the editor's plug-in is unloaded after it";

    nameToType = "Fresh";
    QTest::mouseClick(Child<QPushButton>("new"), Qt::LeftButton);
    ASSERT_EQ(working_.voiceEffects.size(), 5u);
    EXPECT_EQ(working_.voiceEffects[4].name, "Fresh");
    EXPECT_EQ(Child<QTreeWidget>("library")->topLevelItemCount(), 5);
}

TEST_F(PgEffects, TestPlaysTheSelectedEffectWithItsValuesOrSaysWhyNot) {
    auto* test = Child<QPushButton>("test");
    Select("Silent");
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_EQ(LastText(), "VST plug-in for effect \"Silent\" is not defined");
    EXPECT_EQ(shown_.back().icon, MessageIcon::Warning);
    EXPECT_FALSE(test->isChecked());

    Select("Crash");
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_EQ(LastText().rfind("Error loading effect: ", 0), 0u) << LastText();
    EXPECT_GT(LastText().size(), std::string("Error loading effect: ").size());
    EXPECT_FALSE(test->isChecked());
    EXPECT_FALSE(stream_.IsRunning());

    shown_.clear();
    Select("Robot");
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_TRUE(shown_.empty()) << LastText();
    EXPECT_TRUE(test->isChecked()) << "Test stays pressed while the effect plays";
    EXPECT_TRUE(stream_.IsRunning());
    ASSERT_TRUE(stream_.Effect().IsLoaded());
    EXPECT_FLOAT_EQ(stream_.Effect().GetParameter(0), 0.75f);
    EXPECT_EQ(server_.monitorSets, std::vector<bool>{false});

    // While Test is pressed, another line is heard at once, with its own values.
    Select("Quiet");
    EXPECT_TRUE(test->isChecked());
    EXPECT_TRUE(stream_.IsRunning());
    EXPECT_FLOAT_EQ(stream_.Effect().GetParameter(0), 0.1f);
    // The notice of the replaced test does not release the button.
    QTest::qWait(120);
    EXPECT_TRUE(test->isChecked());

    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_FALSE(stream_.IsRunning());
    EXPECT_FALSE(stream_.Effect().IsLoaded());

    // Leaving the page stops the test and releases the button.
    QTest::mouseClick(test, Qt::LeftButton);
    ASSERT_TRUE(stream_.IsRunning());
    page_->OnKillActive();
    EXPECT_FALSE(stream_.IsRunning());
    EXPECT_FALSE(test->isChecked());

    // Without an open stream nothing can be heard: the user is told.
    stream_.CloseStream();
    QTest::mouseClick(test, Qt::LeftButton);
    EXPECT_EQ(LastText().rfind("Error starting test stream: ", 0), 0u) << LastText();
    EXPECT_FALSE(test->isChecked());
    EXPECT_FALSE(stream_.Effect().IsLoaded());
}

TEST_F(PgEffects, ListenRadiosShowAndSetTheListenMode) {
    auto* always = Child<QRadioButton>("always");
    auto* onlyActive = Child<QRadioButton>("onlyActive");
    EXPECT_TRUE(always->isChecked());
    QTest::mouseClick(onlyActive, Qt::LeftButton);
    EXPECT_TRUE(working_.listenOnly);
    EXPECT_FALSE(running_.listenOnly);
    EXPECT_TRUE(context_.modified);

    // Becoming active shows the stored mode without marking anything.
    context_.modified = false;
    working_.listenOnly = true;
    page_->OnSetActive();
    EXPECT_TRUE(onlyActive->isChecked());
    EXPECT_FALSE(context_.modified);
}

TEST_F(PgEffects, TestVolumeIsWrittenAtOnce) {
    auto* volume = Child<QSlider>("testVolume");
    EXPECT_FALSE(volume->isVisible());
    volume->setValue(40);
    EXPECT_EQ(working_.testVolVEff, 40);
    EXPECT_EQ(running_.testVolVEff, 40);
    AppConfig stored(folder_.Path());
    ASSERT_TRUE(stored.ReadMonitors());
    EXPECT_EQ(stored.testVolVEff, 40);
    EXPECT_FALSE(context_.modified);
}

} // namespace
