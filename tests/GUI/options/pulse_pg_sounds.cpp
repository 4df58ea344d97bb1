// The Background page against a running voice server on the private sound server: deleting the
// background the server plays silences it at once on "Voxwarp Microphone", without a reload.
// The page reaches the server through a small OptionsServer over the command channel.
#include "options/pg_back_sounds.h"

#include <QListWidget>

#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"
#include "program_dir.h"
#include "pulse_test_util.h"
#include "sound_pages_env.h"
#include "sound_server.h"

namespace {

namespace fs = std::filesystem;
using namespace soundpagetest;
using pulsetest::ShellQuoted;

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

// The voice server through its command channel, one connection per command.
class ChannelServer : public OptionsServer {
public:
    bool Connected() override {
        IPC channel;
        const bool open = channel.Open();
        channel.Close();
        return open;
    }
    bool MonitorSet(bool on) override {
        return Send([on](PnIpcCli& cli) { return cli.MonitorSet(on ? 1 : 0); });
    }
    bool BackSoundSelect(std::int32_t slot, const std::string& fileName) override {
        return Send([&](PnIpcCli& cli) { return cli.BackSoundSelect(slot, fileName); });
    }
    bool SrvUpdate() override {
        return Send([](PnIpcCli& cli) { return cli.SrvUpdate(); });
    }

private:
    template <typename F>
    static bool Send(F command) {
        IPC channel;
        if (!channel.Open())
            return false;
        PnIpcCli cli(&channel);
        const bool answered = command(cli);
        channel.Close();
        return answered;
    }
};

int Shell(const std::string& commandLine, std::string* out = nullptr) {
    return testsupport::RunWithSoundServer(commandLine + " 2>&1", out);
}

int Ctl(const std::string& arguments) {
    return Shell(ShellQuoted(testsupport::ProgramDir() + "voxwarpctl") + " " + arguments);
}

// Goertzel power of one frequency over the samples, per sample.
double PowerAt(const std::vector<std::int16_t>& samples, double frequency) {
    const double coefficient = 2.0 * std::cos(2.0 * kPi * frequency / kRate);
    double s1 = 0, s2 = 0;
    for (std::int16_t sample : samples) {
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return samples.empty() ? 0.0 : power / static_cast<double>(samples.size());
}

class BackSoundsOnServer : public SoundPageTest {
protected:
    void SetUp() override {
        SoundPageTest::SetUp();
        testsupport::UsePrivateSoundServer();
        setenv("HOME", home_.Path().c_str(), 1);
        setenv("XDG_CONFIG_HOME", home_.File("config").c_str(), 1);
        fs::create_directories(home_.File("runtime"));
        fs::permissions(home_.File("runtime"), fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", home_.File("runtime").c_str(), 1);
        setenv("VOXWARP_HOME", folder_.Path().c_str(), 1);
        setenv("VOXWARP_KOBJECT_NAMESPACE", ("pgsounds" + std::to_string(getpid())).c_str(), 1);

        MakeWave(folder_.File("backsounds/hum.wav"), "-r 44100 -c 1 -b 16", 2.0);
        running_.backSounds[0] = {"hum.wav", "Hum", 100};
        running_.input = "Built-in Microphone";
        ASSERT_TRUE(running_.Save());
        working_ = running_;
    }
    void TearDown() override {
        if (HasFailure())
            std::cerr << "The voice server's log:\n"
                      << testsupport::ReadFile(folder_.File("parlanosrv.log"));
        Ctl("service stop");
        Ctl("service uninstall");
        Ctl("vcard remove");
        SoundPageTest::TearDown();
    }

    void StartVoiceChanger() {
        std::string out;
        ASSERT_EQ(
            Shell(ShellQuoted(std::string(VOXWARP_SOURCE_DIR) + "/scripts/start-voice-changer.sh") +
                      " " + ShellQuoted(testsupport::ProgramDir() + ".."),
                  &out),
            0)
            << out;
        for (int attempt = 0; attempt < 50 && Ctl("errors") != 0; ++attempt)
            usleep(200000);
        ASSERT_EQ(Ctl("errors"), 0);
    }

    // What "Voxwarp Microphone" carries for at least a second, without its first quarter second
    // (what was queued before). A recorder slow to start (a loaded machine) is asked again.
    std::vector<std::int16_t> Record() {
        const std::string raw = home_.File("recorded.raw");
        const std::string command = "timeout 1.5 parec --device=voxwarp_mic_source --rate=44100 "
                                    "--channels=1 --format=s16le --raw --latency-msec=20 "
                                    "2>/dev/null > " +
                                    ShellQuoted(raw);
        std::string bytes;
        for (int attempt = 0; attempt < 5 && bytes.size() < 2 * kRate; ++attempt) {
            Shell(command);
            bytes = testsupport::ReadFile(raw);
        }
        std::vector<std::int16_t> samples(bytes.size() / 2);
        if (!samples.empty())
            std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
        const std::size_t skip = std::min<std::size_t>(samples.size(), kRate / 4);
        samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(skip));
        return samples;
    }

    testsupport::TempDir home_;
    ChannelServer channel_;
    OptionsContext serverContext_{working_, running_, stream_, channel_};
};

TEST_F(BackSoundsOnServer, DeletingThePlayingBackgroundSilencesItAtOnce) {
    StartVoiceChanger();
    ASSERT_EQ(Ctl("client-started"), 0);
    ASSERT_EQ(Ctl("background 1"), 0);
    const std::vector<std::int16_t> before = Record();
    ASSERT_GT(before.size(), std::size_t{kRate / 2});
    const double humBefore = PowerAt(before, 440);
    ASSERT_GT(humBefore, 1e5) << "the background is heard";

    CPgBackSounds page(serverContext_);
    page.show();
    page.OnSetActive();
    auto* list = Child<QListWidget>(page, "sounds");
    ASSERT_EQ(list->count(), 1);
    list->setCurrentRow(0);
    answers_ = {MessageAnswer::Yes};
    Click(page, "delete");
    EXPECT_FALSE(fs::exists(folder_.File("backsounds/hum.wav")));
    EXPECT_TRUE(running_.backSounds[0].file.empty());

    const std::vector<std::int16_t> after = Record();
    ASSERT_GT(after.size(), std::size_t{kRate / 2});
    EXPECT_LT(PowerAt(after, 440), humBefore / 1000) << "the background still plays";
}

} // namespace
