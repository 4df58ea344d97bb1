// A voice effect made in the editor through the "--edit-effect" command, on the private sound
// server: Brevo with a changed pitch, played through the command's test stream while it is
// edited, saved, then chosen through voxwarpctl and heard from the running voice server.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QListWidget>
#include <QPushButton>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../on_air_test.h"
#include "config/config.h"
#include "editeffect/edit_effect.h"
#include "editeffect/edit_effect_session.h"
#include "pitch_estimate.h"
#include "plain_editor_factory.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"
#include "voice_server_session.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testsupport::Voxwarpctl;

class EditEffectOnAir : public OnAirTest {
protected:
    EditEffectOnAir() : OnAirTest("edit") {}

    edittest::PlainEditorFactory factory_;
};

TEST_F(EditEffectOnAir, AnEffectSavedByTheEditorIsHeardFromTheVoiceServer) {
    std::string started;
    ASSERT_TRUE(session_.StartVoiceChanger(started)) << started << session_.Logs();
    ASSERT_EQ(Voxwarpctl("client-started").code, 0);
    ASSERT_TRUE(HeardAt(220, 10s)) << "the voice as it is";
    ASSERT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor";

    bool listened = false;
    EditEffectCommand command;
    command.name = "Octave up";
    command.programFolder = session_.Program().Path();
    command.run = [&](CEditEffect& dialog) {
        dialog.show();
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("plugins"));
        auto found = list->findItems(QStringLiteral("Brevo"), Qt::MatchExactly);
        if (found.size() != 1)
            return static_cast<int>(QDialog::Rejected);
        list->setCurrentItem(found.front());
        dialog.findChild<QPushButton*>(QStringLiteral("use"))->click();
        dialog.Host().SetParameter(0, 1.0f);          // eight overlaps
        dialog.Host().SetParameter(5, 1.75f / 3.75f); // pitch factor 2
        // The user hears the change at once on the playback device, and only it: the server's
        // monitor (the voice as it is, a fundamental of 220 Hz under the octave) is off.
        listened = HeardAt(440, 10s, "speakers.monitor");
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return dialog.result();
    };
    ASSERT_EQ(RunEditEffectCommand(command), kEditEffectSaved);
    EXPECT_TRUE(listened) << "listening while editing";
    EXPECT_TRUE(HeardAt(220, 10s, "speakers.monitor")) << "the server's monitor is back";

    AppConfig saved(session_.Program().Path());
    ASSERT_TRUE(saved.Load());
    ASSERT_EQ(saved.voiceEffects.size(), 1u);
    EXPECT_EQ(saved.voiceEffects[0].plugin, "Brevo");
    ASSERT_EQ(saved.voiceEffects[0].params.size(), 6u);
    EXPECT_NEAR(saved.voiceEffects[0].params[5].value, 1.75f / 3.75f, 1e-5);

    ASSERT_EQ(Voxwarpctl("effect-select 1 'Octave up'").code, 0);
    ASSERT_EQ(Voxwarpctl("effect 1").code, 0);
    EXPECT_TRUE(HeardAt(440, 10s)) << "the saved effect an octave up";
}

} // namespace
