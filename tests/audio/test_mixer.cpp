#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/sound_devices.h"
#include "base/strtable.h"
#include "captured_log.h"
#include "fake_sound_system.h"

namespace {

using testaudio::CapturedLog;
using testaudio::FakeSoundSystem;
using testaudio::ScopedSoundSystem;

constexpr auto kPlayback = SoundDirection::Playback;
constexpr auto kRecording = SoundDirection::Recording;

std::vector<SoundPortInfo> Ports(const std::vector<std::string>& descriptions) {
    std::vector<SoundPortInfo> ports;
    for (std::size_t i = 0; i < descriptions.size(); ++i)
        ports.push_back(SoundPortInfo{"port-" + std::to_string(i), descriptions[i]});
    return ports;
}

std::vector<std::string> Names(const std::vector<MixerLine>& lines) {
    std::vector<std::string> names;
    for (const MixerLine& line : lines)
        names.push_back(line.name);
    return names;
}

std::vector<std::string> shownMessages;
int RecordMessage(WindowHandle, const char* text, const char*, unsigned) {
    shownMessages.push_back(text);
    return msgbox::kResultOk;
}

class MixerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        AppStrings().Load(137);
        AppStrings().Load(239);
    }
    void SetUp() override {
        shownMessages.clear();
        SetMessageBoxPresenter(RecordMessage);
    }
    void TearDown() override { SetMessageBoxPresenter(nullptr); }

    // Opens the mixer of recording device number n.
    bool OpenRecording(PortMixer& mixer, int n) {
        return mixer.Open(MixerIdFor(kLookupRecording, n), 0, nullptr);
    }

    FakeSoundSystem sound_;
    ScopedSoundSystem installed_{sound_};
};

TEST_F(MixerTest, PortsAreTheSelectorAndFindMicLineTakesTheMicrophone) {
    sound_.Add(kRecording, "builtin", "Built-in Audio", Ports({"Line In", "Microphone", "CD"}),
               "port-0", 1000);
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    EXPECT_TRUE(mixer.HasSelector());
    EXPECT_FALSE(mixer.HasNoSources());
    std::vector<MixerLine> sources = mixer.GetInputSources();
    EXPECT_EQ(Names(sources), (std::vector<std::string>{"Line In", "Microphone", "CD"}));
    EXPECT_NE(sources[0].lineId, sources[2].lineId);
    EXPECT_EQ(sources[1].volumeControl, kRecordingVolumeControlId);
    EXPECT_EQ(mixer.GetSelectedSource(), 0);
    EXPECT_EQ(mixer.GetSelectedSourceName(), "Line In");

    std::string name;
    EXPECT_TRUE(FindMicLine(mixer, name));
    EXPECT_EQ(name, "Microphone");

    EXPECT_TRUE(mixer.SelectSource(1));
    EXPECT_EQ(sound_.recording[0].activePort, "port-1");
    EXPECT_EQ(mixer.GetSelectedSource(), 1);
    EXPECT_EQ(mixer.GetSelectedSourceName(), "Microphone");
    // The selection made elsewhere (another program) is what the mixer reports.
    sound_.recording[0].activePort = "port-2";
    EXPECT_EQ(mixer.GetSelectedSource(), 2);
}

TEST_F(MixerTest, SelectSourceOutsideTheSelectorChangesNothing) {
    sound_.Add(kRecording, "builtin", "Built-in Audio", Ports({"Line In", "Microphone", "CD"}),
               "port-1");
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    EXPECT_FALSE(mixer.SelectSource(5));
    EXPECT_FALSE(mixer.SelectSource(3));
    EXPECT_FALSE(mixer.SelectSource(-1));
    EXPECT_EQ(sound_.recording[0].activePort, "port-1");
    EXPECT_EQ(mixer.GetSelectedSource(), 1);
}

TEST_F(MixerTest, MicrophoneNamesMustMatchWholeInAnyCase) {
    struct Case {
        std::vector<std::string> ports;
        bool found;
        std::string name;
    };
    const Case cases[] = {
        {{"Mic Boost", "Line In"}, false, ""},
        {{"Mic Boost", "MIC"}, true, "MIC"},
        {{"Line In", "Mikro", "Microphone"}, true, "Mikro"}, // the first matching source wins
        {{"Microfon"}, true, "Microfon"},
        {{"micro"}, true, "micro"},
        {{"Microphones", "Front Microphone", "mi"}, false, ""},
    };
    for (const Case& c : cases) {
        sound_.recording.clear();
        sound_.Add(kRecording, "dev", "Audio", Ports(c.ports), "port-0");
        PortMixer mixer;
        ASSERT_TRUE(OpenRecording(mixer, 0));
        std::string name = "unchanged";
        EXPECT_EQ(FindMicLine(mixer, name), c.found) << c.ports[0];
        EXPECT_EQ(name, c.found ? c.name : "unchanged");
    }
}

TEST_F(MixerTest, DeviceWithoutPortsHasItsOwnRecordingVolume) {
    sound_.Add(kRecording, "usb", "USB Mic", {}, "", 40000);
    CapturedLog log;
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    EXPECT_FALSE(mixer.HasSelector());
    EXPECT_FALSE(mixer.HasNoSources());
    std::vector<MixerLine> sources = mixer.GetInputSources();
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_EQ(sources[0].name, "USB Mic");
    EXPECT_EQ(sources[0].lineId, kRecordingLineId);
    EXPECT_EQ(sources[0].volumeControl, kRecordingVolumeControlId);
    EXPECT_EQ(mixer.GetSelectedSource(), -1);
    EXPECT_EQ(mixer.GetSelectedSourceName(), "USB Mic");
    EXPECT_TRUE(log.HasLine("        == PortMixer::InitInput(): Mix control not found..."));
    EXPECT_TRUE(log.HasLine("        == PortMixer::InitInput(): Volume ctrl: lineId=7, volId=2, "
                            "name=USB Mic"));

    std::uint32_t value = 0;
    EXPECT_TRUE(mixer.GetRecordingVolume(value));
    EXPECT_EQ(value, 40000u);
    EXPECT_TRUE(mixer.SetRecordingVolume(65535));
    EXPECT_EQ((sound_.volumes[{kRecording, "usb"}]), 65535u);
    EXPECT_FALSE(mixer.SetRecordingVolume(65536));
    EXPECT_EQ((sound_.volumes[{kRecording, "usb"}]), 65535u);
    EXPECT_FALSE(mixer.SelectSource(0));
}

TEST_F(MixerTest, RecordingVolumeIsTheSelectedSourcesOrFailsWithoutOne) {
    sound_.Add(kRecording, "builtin", "Built-in Audio", Ports({"Line In", "Microphone"}), "", 1234);
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    // A selector without a selected source and no recording volume of its own.
    std::uint32_t value = 99;
    EXPECT_FALSE(mixer.GetRecordingVolume(value));
    EXPECT_EQ(value, 99u);
    EXPECT_FALSE(mixer.SetRecordingVolume(10));
    EXPECT_EQ((sound_.volumes[{kRecording, "builtin"}]), 1234u);
    EXPECT_EQ(mixer.GetSelectedSourceName(), "No sources");

    ASSERT_TRUE(mixer.SelectSource(1));
    EXPECT_TRUE(mixer.GetRecordingVolume(value));
    EXPECT_EQ(value, 1234u);
    EXPECT_TRUE(mixer.SetRecordingVolume(20000));
    EXPECT_EQ((sound_.volumes[{kRecording, "builtin"}]), 20000u);
}

TEST_F(MixerTest, PlaybackMixerHasTheMasterVolumeOnly) {
    sound_.Add(kPlayback, "speakers", "Speakers", {}, "", 30000);
    sound_.Add(kPlayback, "hdmi", "HDMI", {}, "", 5000);
    CapturedLog log;
    PortMixer mixer;
    ASSERT_TRUE(mixer.Open(MixerIdFor(kLookupPlayback, 1), 0, nullptr));
    EXPECT_EQ(mixer.GetMasterVolume().name, "HDMI");
    std::uint32_t control = 0;
    ASSERT_TRUE(mixer.GetVolControl(kDestinationSpeakers, control));
    EXPECT_EQ(control, kPlaybackVolumeControlId);
    EXPECT_FALSE(mixer.GetVolControl(kDestinationWaveIn, control));
    EXPECT_EQ(control, kNoMixerId);
    EXPECT_TRUE(mixer.HasNoSources());
    EXPECT_EQ(Names(mixer.GetInputSources()), std::vector<std::string>{"No sources"});

    EXPECT_EQ(mixer.GetVolume(kPlaybackVolumeControlId), 5000);
    EXPECT_TRUE(mixer.SetVolume(kPlaybackVolumeControlId, 0));
    EXPECT_EQ((sound_.volumes[{kPlayback, "hdmi"}]), 0u);
    EXPECT_EQ((sound_.volumes[{kPlayback, "speakers"}]), 30000u);

    // A control of the other side is not one of this mixer.
    EXPECT_FALSE(mixer.SetVolume(kRecordingVolumeControlId, 1));
    EXPECT_EQ(mixer.GetVolume(kRecordingVolumeControlId), -1);
    EXPECT_TRUE(log.HasLine("    Error: Get volume Error. Return code: 1025"));
    EXPECT_EQ(mixer.GetVolume(kNoMixerId), -1);
}

TEST_F(MixerTest, OpenRefusesUnknownMixersAndCloseIsRepeatable) {
    sound_.Add(kRecording, "usb", "USB Mic");
    CapturedLog log;
    PortMixer mixer;
    EXPECT_FALSE(mixer.Open(MixerIdFor(kLookupRecording, 1), 0, nullptr));
    EXPECT_FALSE(mixer.Open(0x20000, 0, nullptr));
    EXPECT_FALSE(mixer.IsOpen());
    EXPECT_TRUE(log.HasLine("       --> PortMixer::Open(uMxId=65537, flags=0, callBackWindow=0)"));
    EXPECT_TRUE(log.HasLine("    Error: Open mixer. Error code: 2"));

    ASSERT_TRUE(OpenRecording(mixer, 0));
    mixer.Close();
    mixer.Close();
    std::uint32_t value = 0;
    EXPECT_FALSE(mixer.GetRecordingVolume(value));
    EXPECT_FALSE(mixer.SetRecordingVolume(1));
    EXPECT_EQ(mixer.GetVolume(kRecordingVolumeControlId), -1);
    EXPECT_TRUE(mixer.HasNoSources());
    EXPECT_EQ(mixer.GetSelectedSourceName(), "No sources");
}

TEST_F(MixerTest, VanishedDeviceGivesFailuresNotStaleValues) {
    sound_.Add(kRecording, "builtin", "Built-in Audio", Ports({"Line In", "Microphone"}), "port-1");
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    sound_.recording.clear();
    CapturedLog log;
    EXPECT_EQ(mixer.GetSelectedSource(), -1);
    EXPECT_FALSE(mixer.SelectSource(0));
    std::uint32_t value = 0;
    EXPECT_FALSE(mixer.GetRecordingVolume(value));
    EXPECT_EQ(mixer.GetVolume(kRecordingVolumeControlId), -1);
    EXPECT_TRUE(log.HasLine("    Error: Get volume Error. Return code: 1"));
}

TEST_F(MixerTest, SelectorKeepsAtMost32Sources) {
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i)
        many.push_back("Input " + std::to_string(i));
    sound_.Add(kRecording, "dev", "Many", Ports(many), "port-35");
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    EXPECT_EQ(mixer.GetInputSources().size(), kMaxMixerSources);
    EXPECT_EQ(mixer.GetSelectedSource(), -1);
    EXPECT_FALSE(mixer.SelectSource(35));
    EXPECT_TRUE(mixer.SelectSource(31));
    EXPECT_EQ(sound_.recording[0].activePort, "port-31");
}

TEST_F(MixerTest, GetMixerIdForDeviceFindsTheDeviceByName) {
    sound_.Add(kRecording, "mic", "Built-in Microphone");
    sound_.Add(kRecording, "vsource", "Voxwarp Microphone (driver)");
    sound_.Add(kPlayback, "speakers", "Speakers");
    std::uint32_t id = 0;
    EXPECT_EQ(GetMixerIdForDevice("Voxwarp Microphone", kLookupRecording, id), kMmeSuccess);
    EXPECT_EQ(id, kRecordingMixerFlag | 1u);
    EXPECT_EQ(GetMixerIdForDevice("Speakers", kLookupPlayback, id), kMmeSuccess);
    EXPECT_EQ(id, 0u);
    PortMixer mixer;
    ASSERT_TRUE(mixer.Open(id, 0, nullptr));
    EXPECT_EQ(mixer.GetMasterVolume().name, "Speakers");

    EXPECT_EQ(GetMixerIdForDevice("Speakers", kLookupRecording, id), kMmeDeviceNotFound);
    EXPECT_EQ(id, kNoMixerId);
    EXPECT_EQ(GetMixerIdForDevice("", kLookupRecording, id), kMmeDeviceNotFound);
    EXPECT_EQ(GetMixerIdForDevice("Speakers", 0, id), kMmeBadParam);
    EXPECT_EQ(GetMixerIdForDevice("Speakers", 3, id), kMmeBadParam);
}

TEST_F(MixerTest, FindMicLineByDeviceName) {
    sound_.Add(kRecording, "mic", "Built-in Audio", Ports({"Line In", "Microphone"}), "port-0");
    sound_.Add(kRecording, "usb", "USB Mic");
    std::string name = "stale";
    EXPECT_TRUE(FindMicLine("Built-in", name));
    EXPECT_EQ(name, "Microphone");
    // A device without ports has the device itself as its only source.
    EXPECT_FALSE(FindMicLine("USB Mic", name));
    EXPECT_EQ(name, "");
    EXPECT_FALSE(FindMicLine("Missing", name));
    EXPECT_TRUE(shownMessages.empty());

    // The device is found, but its mixer is gone by the time it is opened.
    sound_.listCallsLeft = 1;
    name = "stale";
    EXPECT_FALSE(FindMicLine("Built-in", name));
    EXPECT_EQ(name, "");
    EXPECT_EQ(shownMessages, std::vector<std::string>{"Error opening input mixer"});
}

TEST_F(MixerTest, UnreachableServerGivesCleanErrors) {
    sound_.Add(kRecording, "mic", "Built-in Audio", Ports({"Microphone"}), "port-0");
    PortMixer mixer;
    ASSERT_TRUE(OpenRecording(mixer, 0));
    sound_.reachable = false;
    CapturedLog log;
    EXPECT_EQ(mixer.GetSelectedSource(), -1);
    EXPECT_FALSE(mixer.SelectSource(0));
    EXPECT_EQ(mixer.GetVolume(kRecordingVolumeControlId), -1);
    EXPECT_FALSE(mixer.InitInput());
    EXPECT_TRUE(log.HasLine("  Warning: Mixer line info errorcode: 6"));
    EXPECT_TRUE(mixer.HasNoSources());

    EXPECT_FALSE(mixer.Open(MixerIdFor(kLookupRecording, 0), 0, nullptr));
    EXPECT_TRUE(log.HasLine("    Error: Open mixer. Error code: 6"));
    std::uint32_t id = 0;
    EXPECT_EQ(GetMixerIdForDevice("Built-in Audio", kLookupRecording, id), kMmeDeviceNotFound);
    std::string name;
    EXPECT_FALSE(FindMicLine("Built-in Audio", name));
    EXPECT_TRUE(shownMessages.empty());
}

} // namespace
