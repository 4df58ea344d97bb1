// voxwarpctl's sound card commands: the chosen device is stored, and nothing else in config.ini
// changes.
#include "ctl_cards.h"
#include "ctl_run.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_sound_system.h"
#include "temp_dir.h"

namespace {

using namespace voxwarpctl;

struct VoxwarpctlCards : testing::Test {
    testsupport::TempDir folder;
    AppConfig config{folder.Path()};
    testaudio::FakeSoundSystem sound;
    std::string out, err;

    int Cards(const std::vector<std::string>& args) {
        std::ostringstream o, e;
        int code = RunCardsCommand(args, config, sound, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
    std::string File() { return testsupport::ReadFile(config.ConfigPath()); }
};

TEST_F(VoxwarpctlCards, StoringADeviceChangesOnlyItsOwnLine) {
    // A lone CR ends the monitor's line: what follows it is a line of its own.
    testsupport::WriteFile(config.ConfigPath(), "[soundcards]\r\ninput=Old Mic\r\n"
                                                "monitor=Speakers\rjunk\r\n[sys]\r\nwizard=1\r\n");
    EXPECT_EQ(Cards({"cards", "input", ""}), kExitDone) << err;
    EXPECT_EQ(out, "input: \n");
    EXPECT_EQ(File(), "[soundcards]\r\ninput=\r\nmonitor=Speakers\rjunk\r\n[sys]\r\nwizard=1\r\n");

    // Values longer than the read buffer, the command's own section included, stay whole.
    const std::string longName(1500, 'm');
    const std::string before = "[soundcards]\nmonitor=" + longName + "\nmixInSrc=" + longName +
                               "\n[effects]\neff_0=" + longName + "\n";
    testsupport::WriteFile(config.ConfigPath(), before);
    sound.Add(SoundDirection::Recording, "usb", "USB Mic");
    EXPECT_EQ(Cards({"cards", "input", "USB Mic"}), kExitDone) << err;
    EXPECT_EQ(File(), "[soundcards]\nmonitor=" + longName + "\nmixInSrc=" + longName +
                          "\ninput=USB Mic\n[effects]\neff_0=" + longName + "\n");
}

} // namespace
