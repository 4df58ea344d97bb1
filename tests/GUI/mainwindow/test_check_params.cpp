// The device check at each server start: which problem is reported first.
#include <gtest/gtest.h>

#include "base/strtable.h"
#include "config/config.h"
#include "mainwindow/check_params.h"

namespace {

class CheckParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        config_.input = "Built-in Microphone";
        config_.monitor = "Speakers";
    }
    void TearDown() override { EndStrings(); }

    AppConfig config_{"/nonexistent/"};
    SoundDeviceNames devices_{{"Built-in Microphone (USB)"}, {"Speakers", "Voxwarp Microphone"}};
};

TEST_F(CheckParamsTest, ReportsTheFirstProblemInOrder) {
    EXPECT_EQ(CheckParams(config_, devices_), "");
    config_.monitor = "Headset";
    EXPECT_EQ(CheckParams(config_, devices_),
              "Playback sound device name error.\nName: \"Headset\"\nYou can change sound "
              "devices in \"Options > General\".");
    config_.input.clear(); // an empty name is never found
    EXPECT_NE(CheckParams(config_, devices_).find("Recording sound device name error"),
              std::string::npos);
    devices_.recording.clear();
    EXPECT_EQ(CheckParams(config_, devices_), "Recording sound device not found");
    devices_.playback = {"Speakers"};
    EXPECT_NE(CheckParams(config_, devices_).find("\"Voxwarp Microphone\" not found"),
              std::string::npos);
}

} // namespace
