// The options sheet through "--options" on the private sound server with the voice server
// running: the General page shows the configured devices, a voice effect put into slot 1 and
// applied is heard through "Voxwarp Microphone" once chosen, and closing gives the server its
// monitor back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QComboBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "../on_air_test.h"
#include "config/config.h"
#include "effect/effect.h"
#include "options/options_command.h"
#include "options/options_server.h"
#include "options/options_sheet.h"
#include "options/pg_sound_card.h"
#include "pitch_estimate.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"
#include "voice_server_session.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testsupport::Voxwarpctl;

class OptionsOnAir : public OnAirTest {
protected:
    OptionsOnAir() : OnAirTest("options") {}
};

TEST_F(OptionsOnAir, AnAppliedVoiceEffectSlotIsHeardFromTheVoiceServer) {
    std::string started;
    ASSERT_TRUE(session_.StartVoiceChanger(started)) << started << session_.Logs();
    ASSERT_EQ(Voxwarpctl("client-started").code, 0);
    ASSERT_TRUE(HeardAt(220, 10s)) << "the voice as it is";
    const std::vector<EffectParam> params = OctaveUp();
    ASSERT_EQ(params.size(), 6u);

    std::string recording, source, playback;
    OptionsCommand command;
    command.programFolder = session_.Program().Path();
    command.run = [&](COptionsSheet& sheet) {
        sheet.show();
        // The General page on the sound server's devices.
        sheet.Tabs()->setCurrentIndex(4);
        auto* general = static_cast<CPgSoundCard*>(sheet.Pages().back());
        recording = general->RecordingList()->currentText().toStdString();
        source = general->SourceList()->currentText().toStdString();
        playback = general->PlaybackList()->currentText().toStdString();

        // The Voice Effects page's "<<": the library's effect into slot 1.
        sheet.Working().voiceEffects.push_back({"Brevo", "Octave up", params});
        sheet.Tabs()->setCurrentIndex(0);
        QWidget* effects = sheet.Pages().front();
        auto* library = effects->findChild<QTreeWidget*>(QStringLiteral("library"));
        ASSERT_NE(library, nullptr);
        const QList<QTreeWidgetItem*> found =
            library->findItems(QStringLiteral("Octave up"), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1);
        library->setCurrentItem(found.front());
        QTest::mouseClick(effects->findChild<QPushButton*>(QStringLiteral("put1")), Qt::LeftButton);
        ASSERT_TRUE(sheet.ApplyButton()->isEnabled());
        QTest::mouseClick(sheet.ApplyButton(), Qt::LeftButton);
        sheet.Context().server.MonitorSet(false); // as a local test does
        QTest::mouseClick(sheet.CancelButton(), Qt::LeftButton);
    };
    ASSERT_EQ(RunOptionsCommand(command), kOptionsDone);
    EXPECT_EQ(recording, "Built-in Microphone");
    EXPECT_FALSE(source.empty());
    EXPECT_EQ(playback, "Speakers");

    AppConfig saved(session_.Program().Path());
    ASSERT_TRUE(saved.Load());
    EXPECT_EQ(saved.effects[0], "Octave up");
    EXPECT_EQ(saved.input, "Built-in Microphone");
    EXPECT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor is back";

    ASSERT_EQ(Voxwarpctl("effect 1").code, 0);
    EXPECT_TRUE(HeardAt(440, 10s)) << "the applied effect an octave up";
}

} // namespace
