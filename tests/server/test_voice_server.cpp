#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "server_test_env.h"

using servertest::ServerTestEnv;

namespace {

const char* const kHint = "You can change parameters in options.";

std::vector<std::uint8_t> Constant(std::int16_t value, std::size_t samples) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < samples; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

std::int16_t Loudest(const std::vector<std::uint8_t>& bytes) {
    std::int16_t loudest = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        loudest = std::max(loudest, static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return loudest;
}

} // namespace

TEST(VoiceServerErrors, ListIsHandedOutOnceWithoutDuplicatesAndWithTheHint) {
    ServerTestEnv env;
    EXPECT_TRUE(env.server->SrvGetErrors().empty());
    env.server->ReportError("Sound device \"%s\" not found", "Headset");
    env.server->ReportError("Sound device \"%s\" not found", "Headset");
    env.server->ReportError("%s", "Error opening WAV file");
    std::vector<std::string> expected = {"Sound device \"Headset\" not found",
                                         "Error opening WAV file", kHint};
    EXPECT_EQ(env.server->SrvGetErrors(), expected);
    EXPECT_TRUE(env.server->SrvGetErrors().empty());
}

TEST(VoiceServerRun, RefusesToRunWithoutTheVirtualCard) {
    ServerTestEnv env;
    env.sounds.playback.erase(env.sounds.playback.begin());
    EXPECT_FALSE(env.server->ServerRun());
    EXPECT_FALSE(env.server->Started());
    EXPECT_EQ(env.CountLog("Virtual sound card driver \"Voxwarp Microphone\" did not found."), 1);
    EXPECT_FALSE(env.backend.IsOpen(DeviceDirection::Capture, servertest::kMicrophone));
}

TEST(VoiceServerRun, StopWithoutRunWritesItsLeaveLine) {
    ServerTestEnv env;
    env.server->ServerStop();
    EXPECT_EQ(env.CountLog("--> VoiceServer::ServerStop()"), 1);
    EXPECT_EQ(env.CountLog("<-- VoiceServer::ServerStop()"), 1);
}

TEST(VoiceServerEffects, SlotsLoadOnlyWhileSelected) {
    ServerTestEnv env;
    env.WriteConfig("[effects]\neff_0=Double\n[sys]\nactiveEffect=0\n");
    ASSERT_TRUE(env.server->ServerRun());
    VoiceServer& server = *env.server;
    EXPECT_TRUE(server.IsEffectLoaded(0));
    EXPECT_EQ(server.EffectPath(0), env.home.File("effects/gain.so"));

    // A slot that is not selected stays empty until it is selected.
    server.EffectSelect(1, "double");
    EXPECT_FALSE(server.IsEffectLoaded(1));
    server.EffectSetActive(1);
    EXPECT_FALSE(server.IsEffectLoaded(0));
    EXPECT_TRUE(server.IsEffectLoaded(1));
    EXPECT_EQ(env.CountLog("Effect #1 load."), 1);

    // Selecting the selected slot again loads it again.
    server.EffectSetActive(1);
    EXPECT_TRUE(server.IsEffectLoaded(1));
    EXPECT_EQ(env.CountLog("Effect #1 load."), 2);

    // Slots that do not exist change nothing.
    server.EffectSetActive(3);
    server.EffectSetActive(-2);
    server.EffectSelect(3, "Double");
    EXPECT_EQ(server.SelectedEffect(), 1);
    EXPECT_TRUE(server.IsEffectLoaded(1));

    // An unknown effect and a missing plug-in are reported; the slot stays empty.
    server.EffectSelect(0, "Nope");
    server.EffectSelect(1, "Broken");
    EXPECT_FALSE(server.IsEffectLoaded(1));
    std::vector<std::string> expected = {"Effect \"Nope\" could not be loaded.\n",
                                         "Plug-in \"missing\" could not be loaded.\n", kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);

    server.EffectSetActive(-1);
    EXPECT_EQ(server.SelectedEffect(), -1);
    server.ServerStop();
    EXPECT_FALSE(server.Started());
}

TEST(VoiceServerEffects, StoredParameterValuesShapeTheVoiceAndTheMonitorIsNeverAmplified) {
    ServerTestEnv env;
    env.WriteConfig("[effects]\neff_2=Double\n[sys]\nactiveEffect=2\n"
                    "[soundcards]\ninput=Built-in Microphone\nmonitor=Speakers\n");
    env.backend.SetCaptureSignal(servertest::kMicrophone, Constant(1000, 441000));
    ASSERT_TRUE(env.server->ServerRun());
    env.server->CliOnStarted();
    env.server->MonitorSet(1);
    env.server->MonitorSetVol(250);
    // The test plug-in's gain is 4 x its parameter: the stored 0.5 doubles the voice (its
    // built-in 0.25 would leave it as it is).
    EXPECT_TRUE(
        env.PumpUntil([&] { return Loudest(env.backend.Played(servertest::kVirtual)) >= 1980; }));
    EXPECT_LE(Loudest(env.backend.Played(servertest::kVirtual)), 2020);
    EXPECT_TRUE(
        env.PumpUntil([&] { return Loudest(env.backend.Played(servertest::kSpeakers)) >= 1980; }));
    EXPECT_LE(Loudest(env.backend.Played(servertest::kSpeakers)), 2020);
}

TEST(VoiceServerSounds, BackgroundSlotsFollowTheConfigurationAndCommands) {
    ServerTestEnv env;
    env.WriteSound("backsounds", "rain.wav", 300);
    env.WriteSound("backsounds", "wind.wav", 300);
    env.WriteConfig("[sound_0]\nfile=rain.wav\nvolume=50\n"
                    "[sound_1]\nfile=gone.wav\ndescr=Gone\n"
                    "[sys]\nactiveBackSound=0\n");
    ASSERT_TRUE(env.server->ServerRun());
    VoiceServer& server = *env.server;
    EXPECT_EQ(server.BackgroundName(0), "rain.wav");
    EXPECT_EQ(server.BackgroundName(1), "");
    EXPECT_EQ(server.SelectedBackground(), 0);
    std::vector<std::string> expected = {
        "The following Background Sounds could not be loaded:\n1. Gone\n", kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);

    // An unchanged file is not loaded again.
    server.SrvUpdate();
    EXPECT_EQ(env.CountLog("Background sound #0 load."), 1);
    EXPECT_EQ(server.BackgroundName(0), "rain.wav");

    server.BackSoundSetActive(3);
    EXPECT_EQ(server.SelectedBackground(), 0);
    server.BackSoundSetActive(-1);
    EXPECT_EQ(server.SelectedBackground(), -1);

    server.BackSoundSelect(2, "wind.wav");
    EXPECT_EQ(server.BackgroundName(2), "wind.wav");
    server.BackSoundSelect(2, "");
    EXPECT_EQ(server.BackgroundName(2), "");
    server.BackSoundSelect(3, "wind.wav");
    server.BackSoundSetVol(3, 10);
    EXPECT_EQ(env.CountLog("slot 3 does not exist, command ignored"), 3);

    server.SrvGetErrors();
    server.BackSoundSelect(0, "nothing.wav");
    EXPECT_EQ(server.BackgroundName(0), "");
    // A name that leaves the sound folder is refused even where it leads to a sound.
    server.BackSoundSelect(1, "../backsounds/wind.wav");
    server.EmoticSelect(5, "../backsounds/wind.wav");
    EXPECT_EQ(server.BackgroundName(1), "");
    EXPECT_EQ(env.CountLog("Fun sound #5 load."), 0);
    expected = {"Error opening WAV file", kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);
}

TEST(VoiceServerSounds, FunSlotsTakeTheFirstSixtySoundsAndRefuseOtherSlots) {
    ServerTestEnv env;
    env.WriteSound("emoticsounds", "pop.wav", 1000);
    std::string emotics = "[emotics]\nnum=62\nfile_1=gone.wav\nname_1=Gone\n";
    for (int i = 0; i < 62; ++i) {
        if (i != 1)
            emotics += "file_" + std::to_string(i) + "=pop.wav\nname_" + std::to_string(i) +
                       "=Pop " + std::to_string(i) + "\n";
    }
    env.WriteConfig(emotics);
    ASSERT_TRUE(env.server->ServerRun());
    VoiceServer& server = *env.server;
    EXPECT_EQ(env.CountLog("Fun sound #59 load."), 1);
    EXPECT_EQ(env.CountLog("Fun sound #60 load."), 0);
    std::vector<std::string> expected = {"The following Fun Sounds could not be loaded:\n1. Gone\n",
                                         kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);

    // Without a control panel nothing is mixed, so a played sound stays playing.
    server.EmoticPlay(3);
    server.EmoticPlay(60);
    server.EmoticPlay(-1);
    std::vector<bool> playing(kFunSoundSlots, false);
    playing[3] = true;
    EXPECT_EQ(server.EmoticsStatus(), playing);
    server.EmoticStop(3);
    server.EmoticStop(60);
    EXPECT_EQ(server.EmoticsStatus(), std::vector<bool>(kFunSoundSlots, false));

    server.EmoticSelect(1, "pop.wav");
    server.EmoticSelect(60, "pop.wav");
    server.EmoticSelect(2, "nothing.wav");
    server.EmoticSelect(4, ""); // empties the slot
    EXPECT_EQ(env.CountLog("Fun sound #60 load."), 0);
    EXPECT_EQ(env.CountLog("Fun sound #4 unload."), 1);
    expected = {"Error opening WAV file", kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);
}

TEST(VoiceServerCards, OnlyTheChangedCardIsReopened) {
    ServerTestEnv env;
    env.WriteConfig("[soundcards]\ninput=Built-in Microphone\nmonitor=Speakers\n");
    ASSERT_TRUE(env.server->ServerRun());
    VoiceServer& server = *env.server;
    EXPECT_EQ(server.DeviceOf(kStreamInput), servertest::kMicrophone);
    EXPECT_EQ(server.DeviceOf(kStreamVirtual), servertest::kVirtual);
    EXPECT_EQ(server.DeviceOf(kStreamMonitor), servertest::kSpeakers);
    for (int type : {kStreamInput, kStreamVirtual, kStreamMonitor})
        EXPECT_TRUE(server.MixerOpen(type)) << type;
    int virtualOpens = env.CountLog("SteamType=1");
    int monitorOpens = env.CountLog("SteamType=0");

    env.WriteConfig("[soundcards]\ninput=USB Headset\nmonitor=Speakers\n");
    server.SrvUpdate();
    EXPECT_EQ(server.DeviceOf(kStreamInput), servertest::kHeadset);
    EXPECT_FALSE(env.backend.IsOpen(DeviceDirection::Capture, servertest::kMicrophone));
    EXPECT_TRUE(env.backend.IsOpen(DeviceDirection::Capture, servertest::kHeadset));
    EXPECT_EQ(env.CountLog("SteamType=1"), virtualOpens);
    EXPECT_EQ(env.CountLog("SteamType=0"), monitorOpens);

    // A card that is not there closes its stream and is reported.
    env.WriteConfig("[soundcards]\ninput=USB Headset\nmonitor=Nowhere\n");
    server.SrvUpdate();
    EXPECT_EQ(server.DeviceOf(kStreamMonitor), kNoStreamDevice);
    EXPECT_FALSE(env.backend.IsOpen(DeviceDirection::Playback, servertest::kSpeakers));
    EXPECT_FALSE(server.MixerOpen(kStreamMonitor));
    std::vector<std::string> expected = {"Sound device \"Nowhere\" not found", kHint};
    EXPECT_EQ(server.SrvGetErrors(), expected);
}

TEST(VoiceServerWatcher, MirrorsTheVolumeAndRebuildsTheStreamsWhenTheVirtualCardIsGone) {
    ServerTestEnv env;
    env.sounds.volumes[{SoundDirection::Recording, "vsc.monitor"}] = 12345;
    ASSERT_TRUE(env.server->ServerRun());
    ASSERT_EQ(env.server->DeviceOf(kStreamVirtual), servertest::kVirtual);

    // The card comes back as another device (the back end cannot reopen a removed one).
    env.sounds.playback[servertest::kVirtual].description = "Old card";
    env.sounds.playback[servertest::kSpare].description = "Voxwarp Microphone";
    env.backend.RemoveDevice(DeviceDirection::Playback, servertest::kVirtual);
    EXPECT_TRUE(env.PumpUntil([&] { return env.CountLog("restarting driver OK") == 1; }));
    EXPECT_EQ(env.CountLog("restarting driver..."), 1);
    EXPECT_EQ(env.server->DeviceOf(kStreamVirtual), servertest::kSpare);
    EXPECT_TRUE(env.backend.IsOpen(DeviceDirection::Playback, servertest::kSpare));
    EXPECT_EQ(env.server->DeviceOf(kStreamInput), servertest::kMicrophone);
    EXPECT_FALSE(env.server->OutputFailed());

    // What programs record from the virtual card sets the microphone's level.
    env.server->ServerStop();
    EXPECT_EQ((env.sounds.volumes[{SoundDirection::Recording, "mic"}]), 12345u);
}
