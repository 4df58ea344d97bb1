#include <gtest/gtest.h>

#include <string>

#include "sound_server.h"

namespace {

// The harness itself: the fake microphone and the speakers are there and are the defaults.
TEST(PrivateSoundServer, OffersFakeMicrophoneAndSpeakersAsDefaults) {
    std::string info;
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl info", &info), 0);
    EXPECT_NE(info.find("Default Sink: speakers"), std::string::npos) << info;
    EXPECT_NE(info.find("Default Source: fake_mic"), std::string::npos) << info;
    std::string sources;
    ASSERT_EQ(testsupport::RunWithSoundServer("pactl list sources", &sources), 0);
    EXPECT_NE(sources.find("Description: Built-in Microphone"), std::string::npos);
}

} // namespace
