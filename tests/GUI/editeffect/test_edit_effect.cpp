// The voice effect editor on the offscreen platform, on a program folder of its own with real
// plug-ins (the host tests' gain plug-in) and a file that is not one. Message boxes are answered
// by the test; the plug-in's editor is a plain window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/edit_effect_session.h"
#include "editeffect/editor_placement.h"
#include "editeffect/import_filter.h"
#include "plain_editor_factory.h"
#include "program_dir.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace {

namespace fs = std::filesystem;

std::string TestPlugin(const std::string& name) {
    return testsupport::ProgramDir() + "../tests/plugins/" + name + ".so";
}

class EditEffect : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        fs::create_directories(folder_.File("effects"));
        fs::copy_file(TestPlugin("gain"), folder_.File("effects/Gain.so"));
        fs::copy_file(TestPlugin("gain"), folder_.File("effects/Boost.so"));
        fs::copy_file(TestPlugin("no_entry"), folder_.File("effects/Broken.so"));
        running_.voiceEffects = {{"Gain", "Robot", {{0.75f, ""}}},
                                 {"Boost", "Loud", {{1.0f, ""}}},
                                 {"Gain", "Quiet", {{0.1f, ""}}}};
        running_.effects = {"Quiet", "", ""};
        ASSERT_TRUE(running_.WriteVoiceEffects());
        working_ = running_;
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message);
            MessageAnswer answer = MessageAnswer::Ok;
            if (message.buttons == MessageButtons::YesNo) {
                answer = answers_.empty() ? MessageAnswer::No : answers_.front();
                if (!answers_.empty())
                    answers_.pop_front();
            }
            return answer;
        });
    }
    void TearDown() override {
        SetMessageHandler({});
        EndStrings();
    }

    std::unique_ptr<CEditEffect> Open(const VoiceEffect& effect) {
        auto dialog = std::make_unique<CEditEffect>(effect, working_, running_, nullptr);
        dialog->SetServerProbe([this] { return serverConnected_; });
        dialog->show();
        return dialog;
    }
    template <typename W>
    static W* Child(CEditEffect& dialog, const char* name) {
        W* widget = dialog.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static void Choose(CEditEffect& dialog, const std::string& plugin) {
        auto* list = Child<QListWidget>(dialog, "plugins");
        auto found = list->findItems(QString::fromStdString(plugin), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << plugin;
        list->setCurrentItem(found.front());
    }
    static std::vector<std::string> Listed(CEditEffect& dialog) {
        std::vector<std::string> names;
        auto* list = Child<QListWidget>(dialog, "plugins");
        for (int row = 0; row < list->count(); ++row)
            names.push_back(list->item(row)->text().toStdString());
        return names;
    }
    std::string LastText() const { return shown_.empty() ? std::string() : shown_.back().text; }

    testsupport::TempDir folder_;
    AppConfig running_{folder_.Path()};
    AppConfig working_{folder_.Path()};
    edittest::PlainEditorFactory factory_;
    std::vector<ShownMessage> shown_;
    std::deque<MessageAnswer> answers_;
    bool serverConnected_ = false;
};

TEST_F(EditEffect, OpensOnItsOwnPlugInWithTheStoredValuesAndTheEditorBeside) {
    auto dialog = Open(running_.voiceEffects[0]);
    EXPECT_EQ(Listed(*dialog), (std::vector<std::string>{"Boost", "Broken", "Gain"}));
    EXPECT_EQ(Child<QLineEdit>(*dialog, "name")->text(), "Robot");
    EXPECT_EQ(Child<QLineEdit>(*dialog, "usedVst")->text(), "Gain");
    EXPECT_TRUE(Child<QPushButton>(*dialog, "use")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(*dialog, "delete")->isEnabled());
    ASSERT_TRUE(dialog->Host().IsLoaded());
    EXPECT_FLOAT_EQ(dialog->Host().GetParameter(0), 0.75f);

    ASSERT_NE(dialog->Host().GetConfigWindow(), nullptr);
    auto* editor = static_cast<QWidget*>(dialog->Host().GetConfigWindow()->Window());
    // The editor follows the dialog: beside its right edge, or its left one where the screen
    // ends.
    const QRect screen = dialog->screen()->availableGeometry();
    dialog->move(screen.topLeft() + QPoint(10, 20));
    EXPECT_EQ(editor->pos(),
              QPoint(dialog->frameGeometry().right() + 1, dialog->frameGeometry().top()));
    dialog->move(screen.right() - dialog->frameGeometry().width(), screen.top() + 30);
    EXPECT_EQ(editor->pos(),
              QPoint(dialog->frameGeometry().left() - editor->frameGeometry().width(),
                     dialog->frameGeometry().top()));
    EXPECT_EQ(editor->size(), QSize(240, 180));

    // Every control can be reached by a screen reader.
    for (QWidget* control : dialog->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus || control->window() != dialog.get())
            continue;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }

    // Cancel closes the editor and leaves the effect as it was.
    Child<QPushButton>(*dialog, "cancel")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->Host().GetConfigWindow(), nullptr);
}

TEST_F(EditEffect, ATestStreamWithoutDevicesStillLetsThePlugInBeEdited) {
    MemoryAudioBackend backend;
    TestStream closed(backend); // no device could be opened: nothing is heard
    CEditEffect dialog(running_.voiceEffects[0], working_, running_, &closed);
    dialog.show();
    ASSERT_TRUE(dialog.Host().IsLoaded());
    EXPECT_FLOAT_EQ(dialog.Host().GetParameter(0), 0.75f);
    EXPECT_NE(dialog.Host().GetConfigWindow(), nullptr);
    EXPECT_FALSE(closed.IsRunning());
}

TEST_F(EditEffect, PlacesTheEditorOnScreen) {
    const QRect screen(0, 0, 1000, 800);
    EXPECT_EQ(EditorWindowPosition(QRect(100, 50, 300, 200), QSize(200, 150), screen),
              QPoint(400, 50));
    // No room on the right: on the dialog's left.
    EXPECT_EQ(EditorWindowPosition(QRect(600, 50, 300, 200), QSize(200, 150), screen),
              QPoint(400, 50));
    // No room on either side: against the screen's right edge; too low: raised.
    EXPECT_EQ(EditorWindowPosition(QRect(100, 700, 800, 90), QSize(300, 150), screen),
              QPoint(700, 650));
    // Larger than the screen: its top-left corner stays on screen.
    EXPECT_EQ(EditorWindowPosition(QRect(100, 50, 300, 200), QSize(1200, 900), screen),
              QPoint(0, 0));
}

TEST_F(EditEffect, OkReadsTheEffectAndRefusesMissingOrDuplicateNames) {
    auto dialog = Open(running_.voiceEffects[0]);
    auto* name = Child<QLineEdit>(*dialog, "name");
    auto* ok = Child<QPushButton>(*dialog, "ok");

    name->setText("  ");
    ok->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(LastText(), LoadStr(349));

    name->setText("loud");
    ok->click();
    EXPECT_TRUE(dialog->isVisible()) << "a duplicate name keeps the dialog open";
    EXPECT_EQ(LastText(),
              "An effect with the name \"loud\" already exists.\nSpecify another name.");
    EXPECT_EQ(shown_.back().icon, MessageIcon::Warning);

    // Only the letter case changed: no duplicate check.
    shown_.clear();
    name->setText("ROBOT");
    dialog->Host().SetParameter(0, 0.5f);
    ok->click();
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Effect().name, "ROBOT");
    EXPECT_EQ(dialog->Effect().plugin, "Gain");
    ASSERT_EQ(dialog->Effect().params.size(), 3u);
    EXPECT_FLOAT_EQ(dialog->Effect().params[0].value, 0.5f);
}

TEST_F(EditEffect, ChoosingAPlugInAgainAfterChangesAsksFirst) {
    auto dialog = Open(running_.voiceEffects[0]);
    dialog->Host().SetParameter(0, 0.3f);
    // The editor tells of the change through the host's hook.
    dialog->Host().ParamsChanged()(dialog->Host().ListenerContext(), dialog->Host().GetParams());
    Choose(*dialog, "Gain");

    answers_ = {MessageAnswer::No};
    Child<QPushButton>(*dialog, "use")->click();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, "You are losing the changes you've done to voice effect "
                              "\"Robot\".\nDo you want to continue anyway?");
    EXPECT_EQ(shown_[0].icon, MessageIcon::Warning);
    EXPECT_FLOAT_EQ(dialog->Host().GetParameter(0), 0.3f) << "No keeps everything";

    answers_ = {MessageAnswer::Yes};
    Child<QPushButton>(*dialog, "use")->click();
    EXPECT_FLOAT_EQ(dialog->Host().GetParameter(0), 0.75f) << "reloaded with the stored values";

    // Unchanged: no question.
    shown_.clear();
    Child<QPushButton>(*dialog, "use")->click();
    EXPECT_TRUE(shown_.empty());

    // A plug-in that does not load is reported and leaves the dialog usable.
    Choose(*dialog, "Broken");
    Child<QPushButton>(*dialog, "use")->click();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text.rfind("Error loading VST plug-in: " +
                                       folder_.File("effects/Broken.so") + "\nError string: ",
                                   0),
              0u)
        << shown_[0].text;
    EXPECT_EQ(Child<QLineEdit>(*dialog, "usedVst")->text(), "Broken");
    EXPECT_FALSE(dialog->Host().IsLoaded());
}

TEST_F(EditEffect, DeletingAPlugInInUseIsRefusedWhileTheServerIsConnected) {
    auto dialog = Open(VoiceEffect{});
    Choose(*dialog, "Gain");
    serverConnected_ = true;
    answers_ = {MessageAnswer::Yes};
    Child<QPushButton>(*dialog, "delete")->click();
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0].text, LoadStr(269));
    EXPECT_EQ(shown_[1].text,
              "You can not delete this plug-in.\nThis plug-in is currently in use.");
    EXPECT_EQ(shown_[1].icon, MessageIcon::Error);
    EXPECT_TRUE(fs::exists(folder_.File("effects/Gain.so")));
}

TEST_F(EditEffect, DeletingAPlugInRemovesTheEffectsBuiltOnIt) {
    auto dialog = Open(running_.voiceEffects[0]);
    ASSERT_TRUE(dialog->Host().IsLoaded());
    answers_ = {MessageAnswer::Yes};
    Child<QPushButton>(*dialog, "delete")->click();

    EXPECT_FALSE(fs::exists(folder_.File("effects/Gain.so")));
    EXPECT_FALSE(dialog->Host().IsLoaded());
    EXPECT_EQ(Listed(*dialog), (std::vector<std::string>{"Boost", "Broken"}));
    EXPECT_FALSE(Child<QPushButton>(*dialog, "delete")->isEnabled());
    EXPECT_EQ(Child<QLineEdit>(*dialog, "usedVst")->text(), "");
    for (AppConfig* config : {&working_, &running_}) {
        ASSERT_EQ(config->voiceEffects.size(), 1u);
        EXPECT_EQ(config->voiceEffects[0].name, "Loud");
        EXPECT_EQ(config->effects[0], "") << "the slot of Quiet is emptied";
    }
    AppConfig reread(folder_.Path());
    ASSERT_TRUE(reread.ReadVoiceEffects());
    ASSERT_EQ(reread.voiceEffects.size(), 1u);
    EXPECT_EQ(reread.voiceEffects[0].name, "Loud");
}

TEST_F(EditEffect, ImportsPlugInsAndKeepsTheOldOneForAFileThatDoesNotLoad) {
    testsupport::TempDir source;
    fs::copy_file(TestPlugin("gain"), source.File("fresh.so"));
    fs::copy_file(TestPlugin("no_entry"), source.File("Boost.so"));
    auto dialog = Open(VoiceEffect{});
    std::string chosen;
    QString filter;
    dialog->SetImportChooser([&](QWidget*, const QString& offered) {
        filter = offered;
        return chosen;
    });

    chosen = source.File("fresh.so");
    Child<QPushButton>(*dialog, "import")->click();
    EXPECT_EQ(filter, "VST plug-ins (*.so)");
    EXPECT_TRUE(shown_.empty()) << LastText();
    EXPECT_TRUE(fs::exists(folder_.File("effects/Fresh.so")));
    EXPECT_EQ(Listed(*dialog), (std::vector<std::string>{"Boost", "Broken", "Fresh", "Gain"}));
    EXPECT_TRUE(Child<QPushButton>(*dialog, "use")->isEnabled()) << "the new plug-in is selected";

    // A plug-in of that name exists: No keeps it; Yes with a file that is no plug-in keeps it
    // too, and the effects built on it.
    chosen = source.File("Boost.so");
    answers_ = {MessageAnswer::No};
    Child<QPushButton>(*dialog, "import")->click();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text,
              "A VST plug-in named \"Boost\" already exists. Would you like to replace it?");
    answers_ = {MessageAnswer::Yes};
    Child<QPushButton>(*dialog, "import")->click();
    ASSERT_EQ(shown_.size(), 3u);
    EXPECT_EQ(shown_[2].icon, MessageIcon::Error);
    EXPECT_EQ(shown_[2].text, PnVstErrorText(kVstFormatError));
    EXPECT_EQ(fs::file_size(folder_.File("effects/Boost.so")), fs::file_size(TestPlugin("gain")));
    EXPECT_EQ(running_.voiceEffects.size(), 3u);
}

TEST_F(EditEffect, FileFiltersTakeQtsForm) {
    EXPECT_EQ(QtFileFilter("VST plug-ins (*.so)|*.so||"), "VST plug-ins (*.so)");
    EXPECT_EQ(QtFileFilter("Plug-ins|*.so;*.dll|All|*||"), "Plug-ins (*.so *.dll);;All (*)");
}

TEST_F(EditEffect, TheCommandStoresANewOrEditedEffectAndCancelChangesNothing) {
    const std::string before = testsupport::ReadFile(running_.VoiceEffectsPath());
    EditEffectOptions options;
    options.run = [](CEditEffect& dialog) {
        dialog.reject();
        return dialog.result();
    };
    EXPECT_EQ(EditLibraryEffect(running_, "Robot", options), kEditEffectCancelled);
    EXPECT_EQ(testsupport::ReadFile(running_.VoiceEffectsPath()), before);

    // A new effect, made from a plug-in with a value changed.
    options.run = [](CEditEffect& dialog) {
        dialog.show();
        Choose(dialog, "Boost");
        Child<QPushButton>(dialog, "use")->click();
        dialog.Host().SetParameter(0, 0.625f);
        Child<QPushButton>(dialog, "ok")->click();
        return dialog.result();
    };
    EXPECT_EQ(EditLibraryEffect(running_, "Chipmunk", options), kEditEffectSaved);
    AppConfig reread(folder_.Path());
    ASSERT_TRUE(reread.Load());
    ASSERT_EQ(reread.voiceEffects.size(), 4u);
    EXPECT_EQ(reread.voiceEffects[3].name, "Chipmunk");
    EXPECT_EQ(reread.voiceEffects[3].plugin, "Boost");
    ASSERT_FALSE(reread.voiceEffects[3].params.empty());
    EXPECT_FLOAT_EQ(reread.voiceEffects[3].params[0].value, 0.625f);

    // A renamed effect keeps its place, and its slot follows the name.
    options.run = [](CEditEffect& dialog) {
        Child<QLineEdit>(dialog, "name")->setText("Hush");
        Child<QPushButton>(dialog, "ok")->click();
        return dialog.result();
    };
    EXPECT_EQ(EditLibraryEffect(running_, "quiet", options), kEditEffectSaved);
    ASSERT_TRUE(reread.Load());
    ASSERT_EQ(reread.voiceEffects.size(), 4u);
    EXPECT_EQ(reread.voiceEffects[2].name, "Hush");
    EXPECT_FLOAT_EQ(reread.voiceEffects[2].params[0].value, 0.1f);
    EXPECT_EQ(reread.effects[0], "Hush");
}

} // namespace
