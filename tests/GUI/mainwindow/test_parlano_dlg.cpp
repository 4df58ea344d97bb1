// The main window on the offscreen platform with the shipped default skin, a fake voice server
// and a program folder of its own: what each action sends and stores, with and without the
// server. Menus and message boxes are answered by the test.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include "base/strtable.h"
#include "common/app_style.h"
#include "common/message_box.h"
#include "config/config.h"
#include "fake_voice_server_link.h"
#include "keyboard/shortcut.h"
#include "mainwindow/about_box.h"
#include "mainwindow/parlano_dlg.h"
#include "program_dir.h"
#include "scope/osci.h"
#include "skin/ff_button.h"
#include "skin/ff_slider_ctrl.h"
#include "skin/ff_static_text.h"
#include "skin/pn_list_box.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using mainwindowtest::FakeServerState;
using mainwindowtest::FakeVoiceServerLink;
using testsupport::TempDir;

// The action of the menu (or a sub-menu) with this text; null when there is none.
QAction* FindAction(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->menu() != nullptr) {
            if (QAction* inner = FindAction(*action->menu(), text))
                return inner;
        } else if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message.text);
            return MessageAnswer::Ok;
        });
        AppConfig config(folder_.Path());
        config.skinFile = testsupport::ProgramDir() + "skins/en/Default.sdf";
        config.voiceEffects = {{"Brevo.so", "Chipmunk", {}}, {"Brevo.so", "Deep voice", {}}};
        config.effects = {"Chipmunk", "", ""};
        config.backSounds[0] = {"Rain.wav", "Rain", 50};
        config.emotics = {{"Laugh.wav", "Laugh"}, {"Animals/Dog.wav", "Dog"}};
        config.input = "Built-in Microphone";
        config.monitor = "Speakers";
        ASSERT_TRUE(config.Save());
        fs::create_directories(folder_.File("backsounds"));
        testsupport::WriteFile(folder_.File("backsounds/Rain.wav"), "");
        testsupport::WriteFile(folder_.File("backsounds/Wind.wav"), "");
        fs::create_directories(folder_.File("emoticsounds/Animals"));
        fs::create_directories(folder_.File("emoticsounds/Empty/Deeper"));
        testsupport::WriteFile(folder_.File("emoticsounds/Animals/Cat.wav"), "");
        testsupport::WriteFile(folder_.File("emoticsounds/Laugh.wav"), "");
    }
    void TearDown() override {
        window_.reset();
        SetMessageHandler({});
        EndStrings();
    }

    CParlanoDlg& Open() {
        MainWindowEnv env;
        env.observeServer = false;
        env.openLink = [this](int& error) -> std::unique_ptr<VoiceServerLink> {
            error = openError_;
            if (openError_ != 0)
                return nullptr;
            return std::make_unique<FakeVoiceServerLink>(server_);
        };
        env.deviceNames = [this] { return devices_; };
        env.readCounter = [this] { return counter_; };
        env.runMenu = [this](QMenu& menu, const QPoint&) -> QAction* {
            return menuAnswer_.isEmpty() ? nullptr : FindAction(menu, menuAnswer_);
        };
        env.trayAvailable = [this] { return trayAvailable_; };
        window_ = std::make_unique<CParlanoDlg>(config_, std::move(env));
        EXPECT_TRUE(window_->Init());
        window_->show();
        return *window_;
    }
    CParlanoDlg& Connected() {
        CParlanoDlg& w = Open();
        w.OnServerStarted();
        server_.commands.clear();
        return w;
    }
    AppConfig Stored() const {
        AppConfig stored(folder_.Path());
        stored.Load();
        return stored;
    }

    TempDir folder_;
    AppConfig config_{folder_.Path()};
    FakeServerState server_;
    int openError_ = 0;
    SoundDeviceNames devices_{{"Built-in Microphone"}, {"Speakers", "Voxwarp Microphone"}};
    std::uint32_t counter_ = 7;
    QString menuAnswer_;
    bool trayAvailable_ = false;
    std::vector<std::string> shown_;
    std::unique_ptr<CParlanoDlg> window_;
};

using Commands = std::vector<std::string>;

TEST_F(MainWindow, FollowsTheServersLifeAndShowsWhatItReports) {
    server_.errors = {"Cannot load Alien", "Cannot load Rain.wav"};
    CParlanoDlg& w = Open();
    EXPECT_FALSE(w.effectRadio[0]->isEnabled());
    EXPECT_TRUE(w.effectChoose[0]->isEnabled()); // choosing works without the server
    EXPECT_FALSE(w.funList->isEnabled());
    w.OnServerStarted();
    w.OnServerStarted(); // a repeated start changes nothing
    EXPECT_EQ(server_.commands, Commands({"CliOnStarted"}));
    EXPECT_TRUE(w.effectRadio[0]->isEnabled());
    EXPECT_TRUE(w.monitorLevel->isEnabled());
    EXPECT_EQ(shown_, std::vector<std::string>({"Cannot load Alien\nCannot load Rain.wav"}));
    w.OnServerStopped();
    EXPECT_FALSE(w.ServerStarted());
    EXPECT_FALSE(w.stopAll->isEnabled());
}

TEST_F(MainWindow, AChannelThatDoesNotOpenLeavesTheWindowDisconnected) {
    openError_ = 2;
    CParlanoDlg& w = Open();
    w.OnServerStarted();
    EXPECT_FALSE(w.ServerStarted());
    EXPECT_FALSE(w.effectRadio[0]->isEnabled());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0], "Error initializing graphical user interface.\nError code: 2");
}

TEST_F(MainWindow, WarnsOfTheFirstDeviceProblemAtEachStart) {
    devices_.playback = {"Speakers"};
    Open().OnServerStarted();
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("\"Voxwarp Microphone\" not found"), std::string::npos);
}

TEST_F(MainWindow, EffectRadiosSendAndStoreAndTheActiveOneTurnsOff) {
    CParlanoDlg& w = Connected();
    QTest::mouseClick(w.effectRadio[1], Qt::LeftButton);
    EXPECT_EQ(Stored().activeEffect, 1);
    QTest::mouseClick(w.effectRadio[1], Qt::LeftButton);
    EXPECT_FALSE(w.effectRadio[1]->isChecked());
    EXPECT_EQ(Stored().activeEffect, -1);
    w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::VoiceEffect3));
    EXPECT_TRUE(w.effectRadio[2]->isChecked());
    EXPECT_EQ(server_.commands,
              Commands({"EffectSetActive 1", "EffectSetActive -1", "EffectSetActive 2"}));
}

TEST_F(MainWindow, EffectMenuChoosesCancelEmptiesAndDismissingChangesNothing) {
    CParlanoDlg& w = Open(); // no server: only the slot and the configuration change
    menuAnswer_ = "Deep voice";
    QTest::mouseClick(w.effectChoose[1], Qt::LeftButton);
    EXPECT_EQ(w.effectText[1]->text(), "Deep voice");
    EXPECT_EQ(w.effectText[1]->accessibleName(), "Deep voice");
    EXPECT_EQ(Stored().effects[1], "Deep voice");
    menuAnswer_.clear();
    QTest::mouseClick(w.effectChoose[0], Qt::LeftButton);
    EXPECT_EQ(Stored().effects[0], "Chipmunk");
    menuAnswer_ = "Cancel";
    QTest::mouseClick(w.effectChoose[0], Qt::LeftButton);
    EXPECT_EQ(Stored().effects[0], "");
    EXPECT_TRUE(server_.commands.empty());
}

TEST_F(MainWindow, BackgroundsChooseActivateAndStepTheirVolume) {
    CParlanoDlg& w = Connected();
    menuAnswer_ = "Wind";
    QTest::mouseClick(w.backChoose[2], Qt::LeftButton);
    EXPECT_EQ(w.backText[2]->text(), "Wind");
    menuAnswer_ = "Cancel";
    QTest::mouseClick(w.backChoose[0], Qt::LeftButton);
    QTest::mouseClick(w.backRadio[2], Qt::LeftButton);
    for (int i = 0; i < 12; ++i)
        w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::BackSound3VolSub));
    EXPECT_EQ(w.backVolume[2]->value(), 0);
    const AppConfig stored = Stored();
    EXPECT_EQ(stored.backSounds[2].file, "Wind.wav");
    EXPECT_EQ(stored.backSounds[2].descr, "Wind");
    EXPECT_EQ(stored.backSounds[2].volume, 0);
    EXPECT_EQ(stored.backSounds[0].file, "");
    EXPECT_EQ(stored.activeBackSound, 2);
    EXPECT_EQ(server_.commands[0], "BackSoundSelect 2 Wind.wav");
    EXPECT_EQ(server_.commands[1], "BackSoundSelect 0");
    EXPECT_EQ(server_.commands[2], "BackSoundSetActive 2");
    EXPECT_EQ(server_.commands.back(), "BackSoundSetVol 2 0");
    w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::BackSound1VolAdd));
    w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::BackSound1VolAdd));
    EXPECT_EQ(w.backVolume[0]->value(), 70);
    for (int i = 0; i < 5; ++i)
        w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::BackSound1VolAdd));
    EXPECT_EQ(Stored().backSounds[0].volume, 100);
}

TEST_F(MainWindow, FunSoundLinesPlayFollowTheServerAndTakeNewSounds) {
    CParlanoDlg& w = Connected();
    ASSERT_EQ(w.funList->LineCount(), 2);
    emit w.funList->toggleRequested(1);
    EXPECT_TRUE(w.funList->IsLineSelected(1));
    w.OnHotKey(static_cast<int>(keyboard::HotKeyAction::FunSound2));
    EXPECT_FALSE(w.funList->IsLineSelected(1));
    server_.playing = {true, false};
    w.UpdateParams(); // a refilled list asks what plays
    EXPECT_TRUE(w.funList->IsLineSelected(0));

    menuAnswer_ = "Cancel"; // changes nothing here
    w.ConfigEmotic(1, QPoint());
    EXPECT_EQ(Stored().emotics[1].file, "Animals/Dog.wav");
    menuAnswer_ = "Cat";
    w.ConfigEmotic(1, QPoint());
    EXPECT_EQ(w.funList->LineText(1), "Cat");
    EXPECT_EQ(Stored().emotics[1], (FunSound{"Animals/Cat.wav", "Cat"}));
    EXPECT_EQ(server_.commands,
              Commands({"EmoticPlay 1", "EmoticStop 1", "EmoticSelect 1 Animals/Cat.wav"}));
}

TEST_F(MainWindow, FunSoundMenuMirrorsTheFolderWithoutEmptyGroups) {
    AppConfig config(folder_.Path());
    QMenu menu;
    FillFunSoundMenu(menu, config);
    QStringList top;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            top << action->text();
    EXPECT_EQ(top, QStringList({"Animals", "Laugh", "Cancel"}));
}

TEST_F(MainWindow, OnlyTheFirstSixtyLinesFollowTheStatus) {
    for (int i = 2; i < 64; ++i)
        config_.emotics.push_back({"Laugh.wav", "Laugh " + std::to_string(i)});
    ASSERT_TRUE(config_.WriteEmotics());
    CParlanoDlg& w = Connected();
    ASSERT_EQ(w.funList->LineCount(), 60); // the skin's max_items
    server_.playing.assign(64, true);
    w.UpdateParams();
    EXPECT_TRUE(w.funList->IsLineSelected(59));
}

TEST_F(MainWindow, StopAllSilencesEverything) {
    CParlanoDlg& w = Connected();
    QTest::mouseClick(w.effectRadio[0], Qt::LeftButton);
    QTest::mouseClick(w.backRadio[0], Qt::LeftButton);
    emit w.funList->toggleRequested(0);
    server_.commands.clear();
    QTest::mouseClick(w.stopAll, Qt::LeftButton);
    EXPECT_EQ(server_.commands,
              Commands({"BackSoundSetActive -1", "EffectSetActive -1", "EmoticStopAll"}));
    EXPECT_FALSE(w.effectRadio[0]->isChecked());
    EXPECT_FALSE(w.backRadio[0]->isChecked());
    EXPECT_FALSE(w.funList->IsLineSelected(0));
    EXPECT_EQ(Stored().activeEffect, -1);
}

TEST_F(MainWindow, MonitorSwitchAndLevel) {
    CParlanoDlg& w = Connected();
    QTest::mouseClick(w.monitor, Qt::LeftButton);
    EXPECT_TRUE(w.monitor->isChecked());
    w.monitorLevel->setFocus();
    QTest::keyClick(w.monitorLevel, Qt::Key_Home); // to the bottom of the range
    QTest::mouseClick(w.monitor, Qt::LeftButton);
    EXPECT_FALSE(w.monitor->isChecked());
    EXPECT_FALSE(w.monitorLevel->isEnabled());
    EXPECT_EQ(server_.commands, Commands({"MonitorSet 1", "MonitorSetVol 0", "MonitorSet 0"}));
    EXPECT_FALSE(Stored().monitorOn);
    EXPECT_EQ(Stored().monitorVol, 0);
}

TEST_F(MainWindow, LedShowsWhetherTheCounterMoves) {
    CParlanoDlg& w = Open();
    w.OnTimer();
    EXPECT_FALSE(w.deviceLed->isChecked());
    counter_ = 8;
    w.OnTimer();
    EXPECT_TRUE(w.deviceLed->isChecked());
    w.OnTimer();
    EXPECT_FALSE(w.deviceLed->isChecked());
}

TEST_F(MainWindow, MinimizeHidesInTheTrayOnlyWhereThereIsOne) {
    CParlanoDlg& w = Open();
    QTest::mouseClick(w.minimize, Qt::LeftButton);
    EXPECT_TRUE(w.isVisible()); // iconified, never lost
    EXPECT_EQ(w.TrayIcon(), nullptr);
    w.RestoreWindow();
    trayAvailable_ = true;
    QTest::mouseClick(w.minimize, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
    ASSERT_NE(w.TrayIcon(), nullptr);
    w.RestoreWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.TrayIcon()->isVisible());
}

TEST_F(MainWindow, SkinProblemsAreShownAndASkinWithoutItsWindowSectionKeepsTheSize) {
    config_.skinFile = folder_.File("missing.sdf");
    ASSERT_TRUE(config_.WriteSys());
    MainWindowEnv env;
    env.observeServer = false;
    env.readCounter = [] { return 0u; };
    CParlanoDlg broken(config_, std::move(env));
    EXPECT_FALSE(broken.Init());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("Could not open skin file"), std::string::npos);

    std::string skin = testsupport::ReadFile(testsupport::ProgramDir() + "skins/en/Default.sdf");
    const std::size_t at = skin.find("[Velmar]");
    ASSERT_NE(at, std::string::npos);
    skin.replace(at, 8, "[Unused]");
    // Beside its pictures, which the skin names relative to its own folder.
    fs::copy(testsupport::ProgramDir() + "skins/en/Default", folder_.File("Default"),
             fs::copy_options::recursive);
    testsupport::WriteFile(folder_.File("NoWindow.sdf"), skin);
    config_.skinFile = folder_.File("NoWindow.sdf");
    ASSERT_TRUE(config_.WriteSys());
    CParlanoDlg& w = Open();
    EXPECT_TRUE(w.SkinSize().isEmpty());
    EXPECT_TRUE(w.Outline().isEmpty());
}

// pictures/ beside the build's program folder, made by whichever test runs first.
std::string PicturesFolder() {
    const std::string folder = testsupport::ProgramDir() + "../pictures/";
    fs::create_directories(folder);
    return folder;
}

// Pictures of the window for people: disconnected, and connected with effect 1 on and a fun
// sound playing. Written to pictures/ beside the build's program folder.
TEST_F(MainWindow, SavesAPictureOfEachState) {
    CParlanoDlg& w = Open();
    const std::string folder = PicturesFolder();
    auto save = [&](const char* name) {
        QPixmap picture = w.grab();
        if (!w.Outline().isEmpty()) {
            QBitmap mask(picture.size()); // the window's rounded outline
            mask.clear();
            QPainter painter(&mask);
            painter.setClipRegion(w.Outline());
            painter.fillRect(mask.rect(), Qt::color1);
            painter.end();
            picture.setMask(mask);
        }
        EXPECT_TRUE(picture.save(QString::fromStdString(folder + name)));
        return picture.toImage();
    };
    const QImage disconnected = save("main-window-disconnected.png");
    w.OnServerStarted();
    QTest::mouseClick(w.effectRadio[0], Qt::LeftButton);
    emit w.funList->toggleRequested(0);
    const QImage connected = save("main-window-connected.png");
    EXPECT_EQ(connected.size(), w.SkinSize());
    EXPECT_NE(connected, disconnected);
}

// What the window opens, for people to look at: the About box and the effect menu; and the
// window in German, whose controls take their names from the German texts.
TEST_F(MainWindow, SavesPicturesOfItsDialogsAndItsGermanFace) {
    const QString folder = QString::fromStdString(PicturesFolder());
    ApplyApplicationStyle(*qApp); // as the program shows its dialogs
    QTimer::singleShot(0, [folder] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->grab().save(folder + "about-box.png"));
        box->close();
    });
    AppConfig config(folder_.Path());
    config.kestrelUrl = "https://voxwarp.example/";
    ShowAboutBox(nullptr, config);

    QMenu menu;
    FillEffectMenu(menu, Stored());
    menu.popup(QPoint(0, 0));
    EXPECT_TRUE(menu.grab().save(folder + "effect-menu.png"));
    menu.close();

    EndStrings();
    StartStrings(testsupport::ProgramDir() + "lang/voxwarp_de.glo",
                 testsupport::ProgramDir() + "lang/");
    CParlanoDlg& w = Open();
    EXPECT_EQ(w.effectRadio[0]->accessibleName(), "Stimmeffekt 1");
    EXPECT_EQ(w.effectText[1]->accessibleName(), "Stimmeffekt 2"); // an empty slot
    EXPECT_TRUE(w.grab().save(folder + "main-window-de.png"));
}

} // namespace
