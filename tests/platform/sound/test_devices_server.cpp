// Device lists, default devices and volumes against the private sound server.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound_devices.h"
#include "sound_server.h"

namespace {

using testsupport::RunWithSoundServer;

std::string ServerInfoLine(const std::string& key) {
    std::string info;
    if (RunWithSoundServer("pactl info", &info) != 0)
        return {};
    std::smatch match;
    if (std::regex_search(info, match, std::regex(key + ": ([^\n]*)")))
        return match[1];
    return {};
}

// The first raw channel volume pactl reports for a device ("front-left: 20000 / ...").
long RawVolume(const std::string& command) {
    std::string out;
    if (RunWithSoundServer(command, &out) != 0)
        return -1;
    std::smatch match;
    if (!std::regex_search(out, match, std::regex(": ([0-9]+) /")))
        return -1;
    return std::strtol(match[1].str().c_str(), nullptr, 10);
}

class DevicesOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testsupport::UsePrivateSoundServer(); }
    // Later tests share the server: its defaults go back to those of the harness.
    void TearDown() override {
        RunWithSoundServer("pactl set-default-sink speakers");
        RunWithSoundServer("pactl set-default-source fake_mic");
    }
};

TEST_F(DevicesOnServer, ListsDevicesAndFindsThemByName) {
    CSoundDevices recording(kSoundDevicesRecording);
    int mic = recording.FindByName("Built-in Microphone");
    ASSERT_GE(mic, 0);
    EXPECT_EQ(recording.GetDefaultIndex(), mic);
    EXPECT_EQ(recording.GetDevice(mic)->endpointId, "fake_mic");
    EXPECT_EQ(recording.FindByName("Monitor of"), -1); // monitors are not recording devices

    CSoundDevices playback(kSoundDevicesPlayback);
    int speakers = playback.FindByName("Speakers");
    ASSERT_GE(speakers, 0);
    EXPECT_EQ(playback.GetDefaultIndex(), speakers);
    EXPECT_GE(playback.FindByName("Fake microphone feed"), 0);

    int device = -1;
    EXPECT_EQ(PaGetDevNByName("Built-in", kLookupRecording, device), kMmeSuccess);
    EXPECT_EQ(device, recording.GetDeviceNumber(mic));
    EXPECT_EQ(PaGetDevNByName("Speakers", kLookupPlayback, device), kMmeSuccess);
    EXPECT_EQ(device, playback.GetDeviceNumber(speakers));
    EXPECT_EQ(PaGetDevNByName("No such device", kLookupPlayback, device), kMmeDeviceNotFound);

    std::vector<std::string> names;
    EXPECT_EQ(PaGetSoundDevList(kLookupPlayback, names), kMmeSuccess);
    EXPECT_EQ(static_cast<int>(names.size()), playback.GetCount());
    EXPECT_EQ(names[static_cast<std::size_t>(speakers)], "Speakers");
}

TEST_F(DevicesOnServer, DefaultPlaybackDeviceRoundTrip) {
    CSoundDevices playback(kSoundDevicesPlayback);
    int feed = playback.FindByName("Fake microphone feed");
    int speakers = playback.FindByName("Speakers");
    ASSERT_GE(feed, 0);
    ASSERT_GE(speakers, 0);

    ASSERT_TRUE(playback.SetDefault(feed));
    EXPECT_EQ(playback.GetDefaultIndex(), feed);
    EXPECT_EQ(ServerInfoLine("Default Sink"), "fake_mic_feed");
    EXPECT_EQ(CSoundDevices(kSoundDevicesPlayback).GetDefaultIndex(), feed);

    ASSERT_TRUE(playback.SetDefault(speakers));
    EXPECT_EQ(ServerInfoLine("Default Sink"), "speakers");
}

TEST_F(DevicesOnServer, VolumeRoundTrip) {
    std::uint32_t id = kNoMixerId;
    ASSERT_EQ(GetMixerIdForDevice("Speakers", kLookupPlayback, id), kMmeSuccess);
    PortMixer speakers;
    ASSERT_TRUE(speakers.Open(id, 0, nullptr));
    std::uint32_t master = kNoMixerId;
    ASSERT_TRUE(speakers.GetVolControl(kDestinationSpeakers, master));
    int before = speakers.GetVolume(master);
    ASSERT_GE(before, 0);
    ASSERT_TRUE(speakers.SetVolume(master, 20000));
    EXPECT_NEAR(speakers.GetVolume(master), 20000, 1);
    EXPECT_NEAR(RawVolume("pactl get-sink-volume speakers"), 20000, 200);
    EXPECT_TRUE(speakers.SetVolume(master, static_cast<std::uint32_t>(before)));

    ASSERT_EQ(GetMixerIdForDevice("Built-in Microphone", kLookupRecording, id), kMmeSuccess);
    PortMixer mic;
    ASSERT_TRUE(mic.Open(id, 0, nullptr));
    EXPECT_FALSE(mic.HasSelector()); // the fake microphone has no ports
    EXPECT_EQ(mic.GetSelectedSourceName(), "Built-in Microphone");
    std::uint32_t recordingBefore = 0;
    ASSERT_TRUE(mic.GetRecordingVolume(recordingBefore));
    ASSERT_TRUE(mic.SetRecordingVolume(30000));
    std::uint32_t value = 0;
    ASSERT_TRUE(mic.GetRecordingVolume(value));
    EXPECT_NEAR(value, 30000, 1);
    EXPECT_NEAR(RawVolume("pactl get-source-volume fake_mic"), 30000, 300);
    EXPECT_TRUE(mic.SetRecordingVolume(recordingBefore));
}

// With the virtual card loaded: "Voxwarp Microphone" as a null sink and a source remapped from
// its monitor.
class VirtualCardOnServer : public DevicesOnServer {
protected:
    void SetUp() override {
        // The module arguments reach the server with their own quotes, as in a server script.
        std::string sink;
        ASSERT_EQ(
            RunWithSoundServer(R"(pactl load-module module-null-sink sink_name=voxwarp_test_vsink )"
                               R"("sink_properties='device.description=\"Voxwarp Microphone\"'")",
                               &sink),
            0);
        sinkModule_ = Trim(sink);
        std::string source;
        ASSERT_EQ(RunWithSoundServer(
                      R"(pactl load-module module-remap-source source_name=voxwarp_test_vsource )"
                      R"(master=voxwarp_test_vsink.monitor )"
                      R"("source_properties='device.description=\"Voxwarp Microphone\"'")",
                      &source),
                  0);
        sourceModule_ = Trim(source);
    }
    void TearDown() override {
        DevicesOnServer::TearDown();
        if (!sourceModule_.empty())
            RunWithSoundServer("pactl unload-module " + sourceModule_);
        if (!sinkModule_.empty())
            RunWithSoundServer("pactl unload-module " + sinkModule_);
    }
    static std::string Trim(const std::string& text) {
        std::size_t end = text.find_last_not_of(" \n");
        return end == std::string::npos ? std::string() : text.substr(0, end + 1);
    }

    std::string sinkModule_;
    std::string sourceModule_;
};

TEST_F(VirtualCardOnServer, SelectDefSndcMakesTheVirtualMicrophoneTheDefault) {
    ASSERT_EQ(RunWithSoundServer("pactl set-default-sink voxwarp_test_vsink"), 0);
    CSoundDevices playback(kSoundDevicesPlayback);
    int virtualSink = playback.FindByName(kVirtualCardName);
    ASSERT_GE(virtualSink, 0);
    ASSERT_GE(playback.GetCount(), 2);
    std::string expectedSink = playback.GetDevice(virtualSink == 0 ? 1 : 0)->endpointId;

    EXPECT_TRUE(SelectDefSndc());
    EXPECT_EQ(ServerInfoLine("Default Source"), "voxwarp_test_vsource");
    EXPECT_EQ(ServerInfoLine("Default Sink"), expectedSink);

    // Run again, nothing is left to change.
    EXPECT_TRUE(SelectDefSndc());
    EXPECT_EQ(ServerInfoLine("Default Source"), "voxwarp_test_vsource");
    EXPECT_EQ(ServerInfoLine("Default Sink"), expectedSink);

    int device = -1;
    EXPECT_EQ(PaGetDevNByName(kVirtualCardName, kLookupRecording, device), kMmeSuccess);
    EXPECT_EQ(CSoundDevices(kSoundDevicesRecording).GetDefaultIndex(), device);
}

} // namespace
