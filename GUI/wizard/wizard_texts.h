// The string table ids of the setup wizard's texts, and their formatting.
#pragma once

#include <QString>

#include <string>

namespace wiztext {
constexpr unsigned kSeveralRecording = 102;
constexpr unsigned kNoRecording = 103;
constexpr unsigned kOneRecording = 104;
constexpr unsigned kMicChannelFound = 105;
constexpr unsigned kChooseMicChannel = 106;
constexpr unsigned kNoPlayback = 107;
constexpr unsigned kOnePlayback = 108;
constexpr unsigned kSeveralPlayback = 109;
constexpr unsigned kTest = 110;
constexpr unsigned kStop = 111;
constexpr unsigned kMixerOpenFailed = 112;
constexpr unsigned kCancel = 187;
constexpr unsigned kRecording = 194;
constexpr unsigned kPlayback = 195;
constexpr unsigned kSelectDevice = 232;
constexpr unsigned kTestOpenFailed = 233;
constexpr unsigned kTestStartFailed = 234;
constexpr unsigned kOutMixerOpenFailed = 235;
constexpr unsigned kNoVolumeControl = 236;
constexpr unsigned kTestWaveFailed = 237;
constexpr unsigned kWizardTitle = 238;
constexpr unsigned kInputMixerFailed = 239;
constexpr unsigned kNoDevices = 240;
constexpr unsigned kVolume = 278;
} // namespace wiztext

// The text of id, a printf format with one "%s", filled with argument.
std::string WizFormat(unsigned id, const std::string& argument);
