// The General page's start with the desktop session: the XDG autostart entry is written when
// ticked, removed when unticked, recognised only when it starts this program, and valid for the
// desktop's tools even for a program path full of characters that need quoting.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "config/config.h"
#include "fake_options_server.h"
#include "options/options_context.h"
#include "options/pg_sound_card.h"
#include "platform/autostart.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace {

namespace fs = std::filesystem;

// A path with a space, quotes, a dollar, a back quote, a backslash and a percent sign.
const std::string kOddProgram = "/opt/Vox warp/\"it's\" $HOME `x` back\\slash 100%/Voxwarp";

class GeneralPage : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        const char* old = std::getenv("XDG_CONFIG_HOME");
        oldConfigHome_ = old != nullptr ? old : "";
        hadConfigHome_ = old != nullptr;
        setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
    }
    void TearDown() override {
        if (hadConfigHome_)
            setenv("XDG_CONFIG_HOME", oldConfigHome_.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EndStrings();
    }

    std::string Entry() const { return home_.File("config/autostart/Voxwarp.desktop"); }

    testsupport::TempDir home_;
    AppConfig working_{home_.Path()};
    AppConfig running_{home_.Path()};
    MemoryAudioBackend backend_;
    TestStream stream_{backend_};
    optionstest::FakeOptionsServer server_;
    OptionsContext context_{working_, running_, stream_, server_};
    std::string oldConfigHome_;
    bool hadConfigHome_ = false;
};

TEST_F(GeneralPage, TickingWritesAValidAutostartEntryAndUntickingRemovesIt) {
    EXPECT_EQ(platform::AutostartEntryPath(), Entry());
    CPgSoundCard page(context_);
    page.SetAutostartProgram(kOddProgram);
    page.show();
    EXPECT_FALSE(page.AutostartBox()->isChecked());
    EXPECT_EQ(page.AutostartBox()->accessibleName(), "Start Voxwarp with the desktop session");

    QTest::mouseClick(page.AutostartBox(), Qt::LeftButton);
    EXPECT_TRUE(page.AutostartBox()->isChecked());
    ASSERT_TRUE(fs::exists(Entry()));
    EXPECT_FALSE(context_.modified) << "the entry is no part of the working copy";
    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
        EXPECT_EQ(std::system(("desktop-file-validate '" + Entry() + "'").c_str()), 0)
            << testsupport::ReadFile(Entry());
    }

    // Another page, or another program's entry.
    CPgSoundCard again(context_);
    again.SetAutostartProgram(kOddProgram);
    EXPECT_TRUE(again.AutostartBox()->isChecked());
    again.SetAutostartProgram("/opt/Vox warp/Voxwarp");
    EXPECT_FALSE(again.AutostartBox()->isChecked());

    QTest::mouseClick(page.AutostartBox(), Qt::LeftButton);
    EXPECT_FALSE(page.AutostartBox()->isChecked());
    EXPECT_FALSE(fs::exists(Entry()));
}

TEST(AutostartEntry, ExecArgumentsReadBackAsTheirPath) {
    for (const std::string& path :
         {std::string("/usr/bin/Voxwarp"), kOddProgram, std::string("/a\\\\b/%%c")})
        EXPECT_EQ(platform::DesktopExecProgram(platform::DesktopExecArgument(path)), path);
    EXPECT_EQ(platform::DesktopExecProgram("/usr/bin/Voxwarp --minimized"), "/usr/bin/Voxwarp");
    EXPECT_EQ(platform::DesktopExecProgram("\"/usr/bin/Vox"), "") << "no closing quote";
    EXPECT_EQ(platform::DesktopExecProgram("/usr/bin/Voxwarp%u"), "") << "a field code";
    EXPECT_NE(platform::SetAutostart("relative/Voxwarp", true), 0);
    EXPECT_NE(platform::SetAutostart("/bin/with\nbreak", true), 0);
}

} // namespace
