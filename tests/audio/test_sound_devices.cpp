#include "audio/sound_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "captured_log.h"
#include "fake_sound_system.h"

namespace {

using testaudio::CapturedLog;
using testaudio::FakeSoundSystem;
using testaudio::ScopedSoundSystem;

constexpr auto kPlayback = SoundDirection::Playback;
constexpr auto kRecording = SoundDirection::Recording;

class SoundDevicesTest : public ::testing::Test {
protected:
    FakeSoundSystem sound_;
    ScopedSoundSystem installed_{sound_};
};

TEST_F(SoundDevicesTest, ListFollowsTheSoundSystemInOrder) {
    sound_.Add(kRecording, "alsa_input.usb", "USB Headset");
    sound_.Add(kRecording, "voxwarp_vsource", "Voxwarp Microphone (driver)");
    sound_.defaultRecording = "voxwarp_vsource";
    sound_.Add(kPlayback, "speakers", "Speakers");

    CSoundDevices recording(kSoundDevicesRecording);
    ASSERT_EQ(recording.GetCount(), 2);
    EXPECT_EQ(recording.GetDirection(), kSoundDevicesRecording);
    EXPECT_EQ(recording.GetName(0), "USB Headset");
    EXPECT_EQ(recording.GetDeviceNumber(1), 1);
    EXPECT_EQ(recording.GetDevice(1)->endpointId, "voxwarp_vsource");
    EXPECT_EQ(recording.GetDefaultIndex(), 1);
    EXPECT_EQ(recording.GetName(2), "");
    EXPECT_EQ(recording.GetName(-1), "");
    EXPECT_EQ(recording.GetDeviceNumber(2), -1);
    EXPECT_EQ(recording.GetDevice(-1), nullptr);

    // The playback list has no default: the server's default is not one of its devices.
    sound_.defaultPlayback = "gone";
    CSoundDevices playback(kSoundDevicesPlayback);
    EXPECT_EQ(playback.GetCount(), 1);
    EXPECT_EQ(playback.GetDefaultIndex(), -1);

    CSoundDevices bad(7);
    EXPECT_EQ(bad.GetCount(), 0);
}

TEST_F(SoundDevicesTest, FindByNameIsACaseSensitiveSubstringTest) {
    sound_.Add(kRecording, "a", "Built-in Microphone");
    sound_.Add(kRecording, "b", "Voxwarp Microphone (driver)");
    CSoundDevices list(kSoundDevicesRecording);
    EXPECT_EQ(list.FindByName("Voxwarp Microphone"), 1);
    EXPECT_EQ(list.FindByName("Microphone"), 0);
    EXPECT_EQ(list.FindByName(""), 0);
    EXPECT_EQ(list.FindByName("voxwarp microphone"), -1);
    EXPECT_EQ(list.FindByName("Voxwarp Microphone (driver) 2"), -1);

    sound_.recording.clear();
    EXPECT_EQ(CSoundDevices(kSoundDevicesRecording).FindByName(""), -1);
}

TEST_F(SoundDevicesTest, SetDefaultChangesTheServerDefaultOrNothing) {
    sound_.Add(kPlayback, "speakers", "Speakers");
    sound_.Add(kPlayback, "hdmi", "HDMI");
    sound_.defaultPlayback = "speakers";
    CSoundDevices list(kSoundDevicesPlayback);

    EXPECT_FALSE(list.SetDefault(2));
    EXPECT_FALSE(list.SetDefault(-1));
    EXPECT_TRUE(list.SetDefault(1));
    EXPECT_EQ(sound_.defaultPlayback, "hdmi");
    EXPECT_EQ(list.GetDefaultIndex(), 1);

    sound_.refuseSetDefault = true;
    EXPECT_FALSE(list.SetDefault(0));
    EXPECT_EQ(sound_.defaultPlayback, "hdmi");
    EXPECT_EQ(list.GetDefaultIndex(), 1);
}

TEST_F(SoundDevicesTest, SetDefaultFollowsDevicesTheServerRenumbered) {
    sound_.Add(kPlayback, "speakers", "Speakers");
    sound_.Add(kPlayback, "hdmi", "HDMI");
    CSoundDevices list(kSoundDevicesPlayback);
    // A device appears in front of the list before the default is set.
    sound_.playback.insert(sound_.playback.begin(), SoundDeviceInfo{"usb", "USB", {}, {}});
    ASSERT_TRUE(list.SetDefault(1));
    EXPECT_EQ(sound_.defaultPlayback, "hdmi");
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetDefaultIndex(), 2);
    EXPECT_EQ(list.GetName(2), "HDMI");
}

TEST_F(SoundDevicesTest, PaGetDevNByNameFindsNumbersAndLogsTheSearch) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone (driver)");
    sound_.Add(kPlayback, "speakers", "Speakers");
    CapturedLog log;

    int device = 0;
    EXPECT_EQ(PaGetDevNByName("Voxwarp Microphone", kLookupRecording, device), kMmeSuccess);
    EXPECT_EQ(device, 1);
    EXPECT_EQ(PaGetDevNByName("Speakers", kLookupPlayback, device), kMmeSuccess);
    EXPECT_EQ(device, 0);
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{
                  "        == PaGetDevNByName(): Search SoundDev=\"Voxwarp "
                  "Microphone\" type = in",
                  "        == PaGetDevNByName(): SoundDev=\"Voxwarp Microphone\" id=1",
                  "        == PaGetDevNByName(): Search SoundDev=\"Speakers\" type = out",
                  "        == PaGetDevNByName(): SoundDev=\"Speakers\" id=0",
              }));

    EXPECT_EQ(PaGetDevNByName("Speakers", kLookupRecording, device), kMmeDeviceNotFound);
    EXPECT_EQ(device, -2);
    device = 5;
    EXPECT_EQ(PaGetDevNByName("Speakers", 0, device), kMmeBadParam);
    EXPECT_EQ(device, -2);
    EXPECT_EQ(PaGetDevNByName("Speakers", 3, device), kMmeBadParam);
}

TEST_F(SoundDevicesTest, PaGetDevNByNameWithAnEmptyNameReadsNoList) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    CapturedLog log;
    int device = 0;
    EXPECT_EQ(PaGetDevNByName("", kLookupRecording, device), kMmeDeviceNotFound);
    EXPECT_EQ(device, -2);
    EXPECT_EQ(sound_.listCalls, 0);
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(SoundDevicesTest, PaGetSoundDevListGivesTheNonEmptyNames) {
    sound_.Add(kPlayback, "a", "Speakers");
    sound_.Add(kPlayback, "b", "");
    sound_.Add(kPlayback, "c", "Voxwarp Microphone");
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(PaGetSoundDevList(kLookupPlayback, names), kMmeSuccess);
    EXPECT_EQ(names, (std::vector<std::string>{"Speakers", "Voxwarp Microphone"}));
    EXPECT_EQ(PaGetSoundDevList(kLookupRecording, names), kMmeSuccess);
    EXPECT_TRUE(names.empty());
    names.push_back("stale");
    EXPECT_EQ(PaGetSoundDevList(0, names), kMmeBadParam);
    EXPECT_TRUE(names.empty());
}

TEST_F(SoundDevicesTest, LogSoundDevicesWritesBothLists) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone");
    sound_.Add(kPlayback, "speakers", "Speakers");
    CapturedLog log;
    LogSoundDevices();
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{
                               "        == ",
                               "        ==     -= Sound devices =-",
                               "        == ",
                               "        == Enumirate drivers on input (nDevs=2):",
                               "        == Device [0] (devId=0) = Built-in Microphone",
                               "        == Device [1] (devId=1) = Voxwarp Microphone",
                               "        == Enumirate drivers on output (nDevs=1):",
                               "        == Device [0] (devId=0) = Speakers",
                               "        == ",
                           }));
}

TEST_F(SoundDevicesTest, UnreachableServerGivesEmptyListsAndCleanErrors) {
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone");
    sound_.Add(kPlayback, "speakers", "Speakers");
    sound_.reachable = false;

    CSoundDevices list(kSoundDevicesRecording);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetDefaultIndex(), -1);
    EXPECT_FALSE(list.SetDefault(0));
    int device = 0;
    EXPECT_EQ(PaGetDevNByName("Voxwarp Microphone", kLookupRecording, device), kMmeDeviceNotFound);
    EXPECT_EQ(device, -2);
    std::vector<std::string> names;
    EXPECT_EQ(PaGetSoundDevList(kLookupPlayback, names), kMmeSuccess);
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(SelectDefSndc());
}

// The start-up step over a recording and a playback list.
class SelectDefSndcTest : public SoundDevicesTest {
protected:
    void AddPlayback(std::vector<std::string> names, int defaultIndex) {
        for (std::size_t i = 0; i < names.size(); ++i)
            sound_.Add(kPlayback, "sink" + std::to_string(i), names[i]);
        sound_.defaultPlayback = "sink" + std::to_string(defaultIndex);
    }
};

TEST_F(SelectDefSndcTest, MakesTheVirtualMicrophoneTheDefaultRecordingDevice) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone (driver)");
    sound_.defaultRecording = "mic";
    CapturedLog log;
    EXPECT_TRUE(SelectDefSndc());
    EXPECT_EQ(sound_.defaultRecording, "vsource");
    EXPECT_TRUE(log.HasLine("       --> SelectDefSndc()"));
    EXPECT_TRUE(log.HasLine("        ==     -= Sound devices =-"));
    EXPECT_TRUE(log.HasLine("       --> _ResetRenderVoxwarp()"));
    EXPECT_TRUE(log.HasLine("       <-- SelectDefSndc() = true"));
}

TEST_F(SelectDefSndcTest, LeavesAnAlreadyDefaultVirtualMicrophoneAlone) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone");
    sound_.defaultRecording = "vsource";
    sound_.refuseSetDefault = true; // any attempt to set it would fail the step
    CapturedLog log;
    EXPECT_TRUE(SelectDefSndc());
    EXPECT_FALSE(log.Contains("-= Sound devices =-"));
}

TEST_F(SelectDefSndcTest, RefusedRecordingDefaultFailsTheStep) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone");
    sound_.defaultRecording = "mic";
    sound_.refuseSetDefault = true;
    EXPECT_FALSE(SelectDefSndc());
    EXPECT_EQ(sound_.defaultRecording, "mic");
}

TEST_F(SelectDefSndcTest, MovesTheDefaultPlaybackDeviceOffTheVirtualCard) {
    struct Case {
        std::vector<std::string> names;
        int defaultIndex;
        std::string expectedDefault;
    };
    const Case cases[] = {
        {{"Voxwarp Microphone"}, 0, "sink0"}, // the only device stays the default
        {{"Voxwarp Microphone", "Speakers", "HDMI"}, 0, "sink1"},
        {{"Speakers", "HDMI", "Voxwarp Microphone"}, 2, "sink0"},
        {{"Speakers", "Voxwarp Microphone"}, 0, "sink0"}, // not the default: left alone
    };
    for (const Case& c : cases) {
        sound_.playback.clear();
        AddPlayback(c.names, c.defaultIndex);
        EXPECT_TRUE(SelectDefSndc());
        EXPECT_EQ(sound_.defaultPlayback, c.expectedDefault) << c.names.size();
    }
}

TEST_F(SelectDefSndcTest, ChangedPlaybackDefaultIsLogged) {
    AddPlayback({"Speakers", "HDMI", "Voxwarp Microphone"}, 2);
    CapturedLog log;
    EXPECT_TRUE(SelectDefSndc());
    EXPECT_TRUE(log.HasLine("       <-- _ResetRenderVoxwarp() = true"));
    EXPECT_TRUE(log.HasLine("        == Enumirate drivers on output (nDevs=3):"));
}

TEST_F(SelectDefSndcTest, RefusedPlaybackDefaultFailsTheStep) {
    AddPlayback({"Voxwarp Microphone", "Speakers"}, 0);
    sound_.refuseSetDefault = true;
    EXPECT_FALSE(SelectDefSndc());
    EXPECT_EQ(sound_.defaultPlayback, "sink0");
}

} // namespace
