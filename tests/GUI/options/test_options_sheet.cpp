// The options sheet on the offscreen platform with a fake voice server: Apply only after a
// change, writing both configuration files and reloading the server; closing gives the server
// its configured monitor back; no closing while the service restarts.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "config/config.h"
#include "fake_options_server.h"
#include "options/options_page.h"
#include "options/options_sheet.h"
#include "options/pg_sound_card.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using optionstest::FakeOptionsServer;

class OptionsSheet : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        running_.monitorOn = true;
        running_.voiceEffects = {{"Gain", "Robot", {{0.75f, ""}}}};
        SetMessageHandler([this](const ShownMessage& message) {
            shown_.push_back(message.text);
            return MessageAnswer::Ok;
        });
    }
    void TearDown() override {
        SetMessageHandler({});
        EndStrings();
    }

    std::unique_ptr<COptionsSheet> Open() {
        auto sheet = std::make_unique<COptionsSheet>(running_, server_, nullptr,
                                                     std::make_unique<MemoryAudioBackend>());
        sheet->show();
        return sheet;
    }
    // A change on a page, as every page reports one.
    static void Change(COptionsSheet& sheet) {
        sheet.Working().effects[0] = "Robot";
        sheet.Context().modified = true;
        emit sheet.Pages().front()->modified();
    }
    static CPgSoundCard* General(COptionsSheet& sheet) {
        return static_cast<CPgSoundCard*>(sheet.Pages().back());
    }

    testsupport::TempDir folder_;
    AppConfig running_{folder_.Path()};
    FakeOptionsServer server_;
    std::vector<std::string> shown_;
};

TEST_F(OptionsSheet, ShowsTheFivePagesInOrderWithTheFirstActive) {
    auto sheet = Open();
    EXPECT_EQ(sheet->windowTitle(), "Options");
    std::vector<std::string> captions;
    for (int i = 0; i < sheet->Tabs()->count(); ++i)
        captions.push_back(sheet->Tabs()->tabText(i).toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"Voice Effects", "Background", "Fun Sounds",
                                                  "Shortcut Keys", "General"}));
    EXPECT_EQ(sheet->Tabs()->currentIndex(), 0);
    for (QPushButton* button :
         {sheet->OkButton(), sheet->CancelButton(), sheet->ApplyButton(), sheet->HelpButton()})
        EXPECT_FALSE(button->accessibleName().isEmpty());
}

TEST_F(OptionsSheet, ApplyAfterAChangeWritesBothFilesAndReloadsTheServer) {
    auto sheet = Open();
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
    QTest::mouseClick(sheet->ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(fs::exists(running_.ConfigPath())) << "nothing to apply";
    EXPECT_TRUE(server_.commands.empty());

    Change(*sheet);
    ASSERT_TRUE(sheet->ApplyButton()->isEnabled());
    QTest::mouseClick(sheet->ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
    EXPECT_FALSE(sheet->Context().modified);
    EXPECT_EQ(running_.effects[0], "Robot");
    EXPECT_EQ(server_.commands, (std::vector<std::string>{"SrvUpdate"}));
    AppConfig written(folder_.Path());
    ASSERT_TRUE(written.Load());
    EXPECT_EQ(written.effects[0], "Robot");
    ASSERT_EQ(written.voiceEffects.size(), 1u);
    EXPECT_EQ(written.voiceEffects[0].name, "Robot");

    // Without a server the files are written all the same.
    server_.connected = false;
    sheet->Working().effects[1] = "Robot";
    Change(*sheet);
    QTest::mouseClick(sheet->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(written.Load());
    EXPECT_EQ(written.effects[1], "Robot");
}

TEST_F(OptionsSheet, AFailedWriteKeepsTheChangesAndTheSheetOpen) {
    auto sheet = Open();
    fs::create_directories(running_.ConfigPath()); // config.ini cannot be written
    Change(*sheet);
    QTest::mouseClick(sheet->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->ApplyButton()->isEnabled());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0], LoadStr(256));
    EXPECT_EQ(server_.commands, std::vector<std::string>{}) << "no reload of unwritten files";
}

TEST_F(OptionsSheet, CancelDiscardsTheWorkingCopyAndRestoresTheServersMonitor) {
    auto sheet = Open();
    Change(*sheet);
    QTest::mouseClick(sheet->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(running_.effects[0], "");
    EXPECT_FALSE(fs::exists(running_.ConfigPath()));
    EXPECT_EQ(server_.commands, (std::vector<std::string>{"MonitorSet 1"}));

    running_.monitorOn = false;
    server_.commands.clear();
    auto again = Open();
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_FALSE(again->isVisible());
    EXPECT_EQ(server_.commands, (std::vector<std::string>{"MonitorSet 0"}));
}

TEST_F(OptionsSheet, StaysOpenWhileTheServiceRestartsAndReportsItsFailure) {
    auto sheet = Open();
    sheet->Tabs()->setCurrentIndex(4);
    CPgSoundCard* general = General(*sheet);
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::vector<std::string> steps;
    general->SetServiceControl(
        {[&steps, released](const std::string& name, NtServiceSystemError* error) {
             steps.push_back("stop " + name);
             released.wait();
             error->code = 5;
             return kNtServiceStopFailed;
         },
         [&steps](const std::string& name, NtServiceSystemError*) {
             steps.push_back("start " + name);
             return kNtServiceSuccess;
         }});

    QTest::mouseClick(general->RestartButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->Busy());
    EXPECT_EQ(general->RestartButton()->text(), "Service is restarting");
    QTest::mouseClick(sheet->CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->isVisible());
    QTest::mouseClick(sheet->OkButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet->isVisible());

    release.set_value();
    QTRY_VERIFY_WITH_TIMEOUT(!sheet->Busy(), 10000);
    EXPECT_EQ(general->RestartButton()->text(), "Restart service");
    EXPECT_EQ(steps, (std::vector<std::string>{"stop VoxwarpSrv", "start VoxwarpSrv"}));
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0], NtServiceErrorText(kNtServiceStopFailed) + "\nError code: 5");
    QTest::mouseClick(sheet->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet->isVisible());
}

} // namespace
