// The text that makes the user's sound server load the virtual microphone: our block in the
// user's script and PipeWire's fragment, without a sound server.
#include <gtest/gtest.h>

#include <string>

#include "platform/sound/linux/pulse_vcard_config.h"
#include "pulse_test_util.h"

namespace {

using namespace platform::vcard;

const std::string kUserScript = ".include /etc/pulse/default.pa\n"
                                "# my own echo cancellation\n"
                                "load-module module-echo-cancel source_name=clean\n";

TEST(VirtualCardScript, BlockIsAddedOnceAndRemovedLeavingTheUsersLines) {
    EXPECT_FALSE(ScriptHasBlock(kUserScript));
    std::string with = ScriptWithBlock(kUserScript);
    EXPECT_EQ(with.rfind(kUserScript, 0), 0u) << with;
    EXPECT_TRUE(ScriptHasBlock(with));
    EXPECT_EQ(ScriptWithBlock(with), with);
    EXPECT_EQ(ScriptWithoutBlock(with), kUserScript);
    EXPECT_EQ(ScriptWithoutBlock(kUserScript), kUserScript);

    std::size_t first = with.find("load-module module-null-sink");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(with.find("load-module module-null-sink", first + 1), std::string::npos);
    EXPECT_NE(with.find("load-module module-null-sink sink_name=voxwarp_mic "
                        "sink_properties='device.description=\"Voxwarp Microphone\"'\n"),
              std::string::npos);
    EXPECT_NE(with.find("load-module module-remap-source source_name=voxwarp_mic_source "
                        "master=voxwarp_mic.monitor "
                        "source_properties='device.description=\"Voxwarp Microphone\"'\n"),
              std::string::npos);
    // A line of ours that fails never stops the user's server from starting.
    EXPECT_LT(with.find(".nofail\n"), first);
}

TEST(VirtualCardScript, BlockBetweenUserLinesStaysInPlace) {
    std::string with = ScriptWithBlock(kUserScript) + "load-module module-after\n";
    EXPECT_EQ(ScriptWithBlock(with), with);
    EXPECT_EQ(ScriptWithoutBlock(with), kUserScript + "load-module module-after\n");

    // A last line without its line end keeps its text.
    EXPECT_EQ(ScriptWithoutBlock(ScriptWithBlock("load-module module-a")),
              "load-module module-a\n");
    EXPECT_EQ(ScriptWithoutBlock(ScriptWithBlock("")), "");
}

TEST(VirtualCardScript, BlockWhoseEndMarkerWasLostTakesOnlyOurLines) {
    std::string with = ScriptWithBlock(kUserScript);
    std::size_t end = with.find("### Voxwarp Microphone: end\n");
    ASSERT_NE(end, std::string::npos);
    std::string damaged = with.substr(0, end) + "load-module module-mine\n";
    EXPECT_TRUE(ScriptHasBlock(damaged));
    EXPECT_EQ(ScriptWithoutBlock(damaged), kUserScript + "load-module module-mine\n");
    // Installing again repairs it and keeps the user's line after it.
    std::string repaired = ScriptWithBlock(damaged);
    EXPECT_EQ(repaired, with + "load-module module-mine\n");
}

TEST(VirtualCardScript, PipewireFragmentEscapesTheQuotes) {
    std::string fragment = PipewireFragment();
    EXPECT_NE(fragment.find("pulse.cmd = ["), std::string::npos);
    EXPECT_NE(fragment.find("{ cmd = \"load-module\" args = \"module-null-sink "
                            "sink_name=voxwarp_mic sink_properties='device.description=\\\""
                            "Voxwarp Microphone\\\"'\" flags = [ \"nofail\" ] }"),
              std::string::npos)
        << fragment;
    EXPECT_NE(fragment.find("args = \"module-remap-source source_name=voxwarp_mic_source "
                            "master=voxwarp_mic.monitor source_properties="),
              std::string::npos)
        << fragment;
}

TEST(VirtualCardScript, ConfigurationFolderFollowsXdgThenHome) {
    {
        pulsetest::ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg/x");
        EXPECT_EQ(PulseScriptPath(), "/cfg/x/pulse/default.pa");
        EXPECT_EQ(PipewireFragmentPath(),
                  "/cfg/x/pipewire/pipewire-pulse.conf.d/voxwarp-microphone.conf");
    }
    pulsetest::ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");
    pulsetest::ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(PulseScriptPath(), "/home/someone/.config/pulse/default.pa");
}

} // namespace
