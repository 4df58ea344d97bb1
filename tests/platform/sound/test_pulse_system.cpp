// The sound server's device model against the private server, compared with what pactl says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound/sound_server.h"
#include "pulse_test_util.h"
#include "sound_server.h"

namespace {

using pulsetest::Pactl;
using pulsetest::ShortColumn;

// The "Description:" values of a "pactl list sinks|sources" listing, in order; monitors left
// out when asked.
std::vector<std::string> Descriptions(const std::string& listing, bool withoutMonitors) {
    std::vector<std::string> out;
    const std::string key = "Description: ";
    for (std::size_t at = listing.find(key); at != std::string::npos;
         at = listing.find(key, at + 1)) {
        std::size_t start = at + key.size();
        std::string text = listing.substr(start, listing.find('\n', start) - start);
        if (!withoutMonitors || text.rfind("Monitor of ", 0) != 0) {
            out.push_back(text);
        }
    }
    return out;
}

std::vector<std::string> Ids(const std::vector<SoundDeviceInfo>& devices) {
    std::vector<std::string> ids;
    for (const SoundDeviceInfo& device : devices) {
        ids.push_back(device.id);
    }
    return ids;
}

std::vector<std::string> DeviceDescriptions(const std::vector<SoundDeviceInfo>& devices) {
    std::vector<std::string> out;
    for (const SoundDeviceInfo& device : devices) {
        out.push_back(device.description);
    }
    return out;
}

class SoundServerSystemTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UsePrivateSoundServer(); }
    SoundSystem& system = platform::SoundServerSystem();
};

TEST_F(SoundServerSystemTest, ListsDevicesAsTheServerDoes) {
    std::vector<SoundDeviceInfo> playback;
    ASSERT_TRUE(system.ListDevices(SoundDirection::Playback, playback));
    EXPECT_EQ(Ids(playback), ShortColumn(Pactl("list short sinks"), 1));
    EXPECT_EQ(DeviceDescriptions(playback), Descriptions(Pactl("list sinks"), false));

    std::vector<SoundDeviceInfo> recording;
    ASSERT_TRUE(system.ListDevices(SoundDirection::Recording, recording));
    std::vector<std::string> sources;
    for (const std::string& name : ShortColumn(Pactl("list short sources"), 1)) {
        if (!name.ends_with(".monitor")) {
            sources.push_back(name);
        }
    }
    EXPECT_EQ(Ids(recording), sources);
    EXPECT_EQ(DeviceDescriptions(recording), Descriptions(Pactl("list sources"), true));
    EXPECT_EQ(DeviceDescriptions(recording), std::vector<std::string>{"Built-in Microphone"});

    // Null sinks and remapped sources have no ports.
    for (const SoundDeviceInfo& device : playback) {
        EXPECT_TRUE(device.ports.empty()) << device.id;
        EXPECT_TRUE(device.activePort.empty()) << device.id;
    }
}

TEST_F(SoundServerSystemTest, DefaultsFollowTheServerAndSwitchBothWays) {
    std::string id;
    ASSERT_TRUE(system.GetDefault(SoundDirection::Playback, id));
    EXPECT_EQ(id, "speakers");
    ASSERT_TRUE(system.GetDefault(SoundDirection::Recording, id));
    EXPECT_EQ(id, "fake_mic");

    ASSERT_TRUE(system.SetDefault(SoundDirection::Playback, "fake_mic_feed"));
    EXPECT_NE(Pactl("info").find("Default Sink: fake_mic_feed"), std::string::npos);
    ASSERT_TRUE(system.GetDefault(SoundDirection::Playback, id));
    EXPECT_EQ(id, "fake_mic_feed");
    ASSERT_TRUE(system.SetDefault(SoundDirection::Playback, "speakers"));
    EXPECT_NE(Pactl("info").find("Default Sink: speakers"), std::string::npos);

    // Only listed devices of the direction can become the default.
    EXPECT_FALSE(system.SetDefault(SoundDirection::Playback, "no_such_sink"));
    EXPECT_FALSE(system.SetDefault(SoundDirection::Playback, ""));
    EXPECT_FALSE(system.SetDefault(SoundDirection::Recording, "speakers.monitor"));
    EXPECT_FALSE(system.SetDefault(SoundDirection::Recording, "speakers"));
    std::string info = Pactl("info");
    EXPECT_NE(info.find("Default Sink: speakers"), std::string::npos);
    EXPECT_NE(info.find("Default Source: fake_mic"), std::string::npos);
}

TEST_F(SoundServerSystemTest, VolumeRoundTripsOnTheScaleOf65535) {
    for (SoundDirection direction : {SoundDirection::Playback, SoundDirection::Recording}) {
        std::string id = direction == SoundDirection::Playback ? "speakers" : "fake_mic";
        for (std::uint32_t volume : {0u, 1u, 12345u, 32768u, 65534u, 65535u}) {
            ASSERT_TRUE(system.SetVolume(direction, id, volume)) << id << " " << volume;
            std::uint32_t read = 0;
            ASSERT_TRUE(system.GetVolume(direction, id, read));
            EXPECT_NEAR(static_cast<double>(read), volume, 1.0) << id;
        }
        // Above the scale: refused, nothing changes.
        EXPECT_FALSE(system.SetVolume(direction, id, 65536));
        std::uint32_t read = 0;
        ASSERT_TRUE(system.GetVolume(direction, id, read));
        EXPECT_EQ(read, 65535u);
    }
    // Half of the scale is half of the server's normal volume.
    ASSERT_TRUE(system.SetVolume(SoundDirection::Playback, "speakers", 32768));
    EXPECT_NE(Pactl("get-sink-volume speakers").find("50%"), std::string::npos);

    // Channels that differ read as their average; set gives every channel the same volume.
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl set-sink-volume speakers 50% 100%"), 0);
    std::uint32_t read = 0;
    ASSERT_TRUE(system.GetVolume(SoundDirection::Playback, "speakers", read));
    EXPECT_NEAR(static_cast<double>(read), 49151.0, 1.0);
    ASSERT_TRUE(system.SetVolume(SoundDirection::Playback, "speakers", 65535));
    std::string both = Pactl("get-sink-volume speakers");
    std::size_t first = both.find("65536 / 100%");
    ASSERT_NE(first, std::string::npos) << both;
    EXPECT_NE(both.find("65536 / 100%", first + 1), std::string::npos) << both;

    // Amplification above the server's normal volume reads as the top of the scale.
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl set-sink-volume speakers 150%"), 0);
    ASSERT_TRUE(system.GetVolume(SoundDirection::Playback, "speakers", read));
    EXPECT_EQ(read, 65535u);
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl set-sink-volume speakers 100%"), 0);

    EXPECT_FALSE(system.GetVolume(SoundDirection::Playback, "no_such_sink", read));
    EXPECT_FALSE(system.SetVolume(SoundDirection::Recording, "speakers", 100));
}

TEST_F(SoundServerSystemTest, PortsOfDevicesWithoutPortsCannotBeSelected) {
    EXPECT_FALSE(system.SetActivePort(SoundDirection::Recording, "fake_mic", "analog-input-mic"));
    EXPECT_FALSE(system.SetActivePort(SoundDirection::Playback, "speakers", ""));
    EXPECT_FALSE(system.SetActivePort(SoundDirection::Playback, "no_such_sink", "x"));
}

} // namespace
