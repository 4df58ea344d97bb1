// The test stream on the private sound server: the fake microphone's voice runs through an effect
// plug-in to the speakers and is recorded back from the speakers' monitor.
#include "teststream/test_stream.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound_devices.h"
#include "platform/sound/sound_server.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_server.h"
#include "temp_dir.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using pulsetest::ShellQuoted;

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

double PowerAt(const std::vector<std::int16_t>& samples, double frequency) {
    const double coefficient = 2.0 * std::cos(2.0 * kPi * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (std::int16_t sample : samples) {
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return samples.empty() ? 0.0 : (s1 * s1 + s2 * s2 - coefficient * s1 * s2) / samples.size();
}

// The strongest frequency between 100 and 1000 Hz, to 2 Hz.
double DominantFrequency(const std::vector<std::int16_t>& samples) {
    double best = 0, bestPower = -1;
    for (double f = 100; f <= 1000; f += 2) {
        const double p = PowerAt(samples, f);
        if (p > bestPower) {
            bestPower = p;
            best = f;
        }
    }
    return best;
}

double Rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (std::int16_t sample : samples)
        sum += double(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

class TestStreamOnSoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UsePrivateSoundServer();
        const std::string tone = dir_.File("voice.wav");
        ASSERT_EQ(testsupport::RunWithSoundServer("sox -n -r 44100 -b 16 -c 1 " +
                                                  ShellQuoted(tone) + " synth 60 sine 220 vol 0.2"),
                  0);
        const std::string device = "--device=fake_mic_feed";
        const char* argv[] = {"paplay", device.c_str(), tone.c_str(), nullptr};
        ASSERT_EQ(
            posix_spawnp(&feed_, "paplay", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        backend_ = platform::CreateSoundServerBackend();
    }
    void TearDown() override {
        if (feed_ > 0) {
            kill(feed_, SIGTERM);
            waitpid(feed_, nullptr, 0);
        }
    }

    // What the speakers played for about a second, without its first quarter (what was queued
    // before a change).
    std::vector<std::int16_t> RecordSpeakers() {
        const std::string raw = dir_.File("heard.raw");
        std::string bytes;
        for (int attempt = 0; attempt < 3 && bytes.size() < kRate; ++attempt) {
            testsupport::RunWithSoundServer(
                "timeout 1.2 parec --device=speakers.monitor --rate=44100 --channels=1"
                " --format=s16le --raw --latency-msec=20 2>/dev/null > " +
                ShellQuoted(raw));
            bytes = testsupport::ReadFile(raw);
        }
        std::vector<std::int16_t> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        samples.erase(samples.begin(),
                      samples.begin() + std::min<std::ptrdiff_t>(samples.size(), kRate / 4));
        return samples;
    }

    // Whether the level holds through the recording: no start, gap or drop-out in it.
    static bool Steady(const std::vector<std::int16_t>& samples) {
        constexpr std::size_t kWindow = kRate / 20;
        double low = 1e9, high = 0;
        for (std::size_t i = 0; i + kWindow <= samples.size(); i += kWindow) {
            const double level = Rms({samples.begin() + i, samples.begin() + i + kWindow});
            low = std::min(low, level);
            high = std::max(high, level);
        }
        return high > 500 && low > 0.9 * high;
    }

    // The speakers once they steadily carry a tone of the frequency (the feed and the streams
    // take a moment to start); the last recording when they never do.
    std::vector<std::int16_t> HearTone(double frequency) {
        std::vector<std::int16_t> heard;
        for (int attempt = 0; attempt < 6; ++attempt) {
            heard = RecordSpeakers();
            if (Steady(heard) && std::abs(DominantFrequency(heard) - frequency) < 4)
                break;
        }
        return heard;
    }

    testsupport::TempDir dir_;
    pid_t feed_ = -1;
    std::unique_ptr<AudioBackend> backend_;
};

TEST_F(TestStreamOnSoundServer, VoiceIsHeardThroughTheEffectAtItsLevelAndPitch) {
    int mic = -2, speakers = -2;
    ASSERT_EQ(PaGetDevNByName("Built-in Microphone", kLookupRecording, mic), kMmeSuccess);
    ASSERT_EQ(PaGetDevNByName("Speakers", kLookupPlayback, speakers), kMmeSuccess);

    TestStream stream(*backend_);
    ASSERT_EQ(stream.OpenStream(mic, speakers, "", 25, 8), kMmeSuccess);
    EXPECT_EQ(stream.OutputBufferCount(), 12u);
    ASSERT_EQ(stream.LoadEffect(std::string(VOXWARP_TEST_PLUGIN_DIR) + "/gain.so"), kVstSuccess);
    ASSERT_EQ(stream.TestStart(), kMmeSuccess);
    const std::vector<std::int16_t> plain = HearTone(220); // the gain plug-in starts at 1
    EXPECT_NEAR(DominantFrequency(plain), 220, 2);
    EXPECT_GT(Rms(plain), 0.2 * 32767 / std::sqrt(2.0) * 0.7);

    stream.Effect().SetParameter(0, 0.5f); // gain 2
    std::this_thread::sleep_for(300ms);
    const std::vector<std::int16_t> louder = HearTone(220);
    EXPECT_NEAR(DominantFrequency(louder), 220, 2);
    EXPECT_NEAR(Rms(louder) / Rms(plain), 2.0, 0.2);

    // Another plug-in while the test runs: Brevo, an octave up.
    ASSERT_EQ(stream.LoadEffect(testsupport::ProgramDir() + "effects/Brevo.so"), kVstSuccess);
    std::vector<EffectParam> params = stream.Effect().GetParams();
    ASSERT_EQ(params.size(), 6u);
    params[0].value = 1.0f;          // eight overlaps
    params[5].value = 1.75f / 3.75f; // pitch factor 2
    stream.Effect().SetParams(params);
    EXPECT_NEAR(DominantFrequency(HearTone(440)), 440, 4);

    stream.Stop();
    stream.CloseStream();
}

} // namespace
