// Two client processes send thousands of mixed commands to one server at the same time:
// every command must arrive once, whole and in its client's order, and every answer whole.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "child_process.h"
#include "ipc/pnipc_cli.h"
#include "ipc_test_env.h"
#include "temp_dir.h"

namespace {

constexpr int kCommandsPerClient = 5000;
constexpr std::int32_t kTagUnit = 1000000;

// The slot argument that names the client and the command's number.
std::int32_t Tag(int client, int i) {
    return client * kTagUnit + i;
}

// Sends command i of the client's sequence; appends the handler call the server must make to
// calls. False when the send failed or the answer was not the server's.
bool SendOne(PnIpcCli& cli, int client, int i, std::vector<std::string>& calls) {
    const std::string tag = std::to_string(Tag(client, i));
    const std::string text =
        "c" + std::to_string(client) + "-" + std::to_string(i) + "-\xC3\xA9\xF0\x9F\x98\x80";
    switch (i % 8) {
    case 0:
        calls.push_back("EffectSelect(" + tag + "," + text + ")");
        return cli.EffectSelect(Tag(client, i), text);
    case 1: {
        calls.push_back("SrvGetErrors()");
        std::vector<std::string> errors;
        return cli.SrvGetErrors(errors) && errors == ipctest::ServerErrors();
    }
    case 2:
        calls.push_back("BackSoundSetVol(" + tag + "," + std::to_string(i % 101) + ")");
        return cli.BackSoundSetVol(Tag(client, i), static_cast<std::uint8_t>(i % 101));
    case 3: {
        calls.push_back("EmoticsStatus()");
        std::vector<bool> playing;
        return cli.EmoticsStatus(playing) && playing == ipctest::ServerPlaying();
    }
    case 4:
        calls.push_back("EmoticSelect(" + tag + "," + text + ".wav)");
        return cli.EmoticSelect(Tag(client, i), text + ".wav");
    case 5:
        calls.push_back("MonitorSetVol(" + std::to_string(i % 101) + ")");
        return cli.MonitorSetVol(static_cast<std::uint8_t>(i % 101));
    case 6:
        calls.push_back("EffectSetActive(" + tag + ")");
        return cli.EffectSetActive(Tag(client, i));
    default: {
        std::string name = text + std::string(static_cast<std::size_t>(i % 300), 'x');
        calls.push_back("BackSoundSelect(" + tag + "," + name + ")");
        return cli.BackSoundSelect(Tag(client, i), name);
    }
    }
}

// The client a recorded call belongs to (its first argument's tag), or 0 for an untagged call.
int ClientOf(const std::string& call) {
    std::size_t open = call.find('(');
    if (open == std::string::npos)
        return 0;
    long value = std::strtol(call.c_str() + open + 1, nullptr, 10);
    return value >= kTagUnit ? static_cast<int>(value / kTagUnit) : 0;
}

std::vector<std::string> TaggedBy(const std::vector<std::string>& calls, int client) {
    std::vector<std::string> out;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                 [client](const std::string& c) { return ClientOf(c) == client; });
    return out;
}

} // namespace

// args: base name, client number, calls file. Exit code: number of failed commands (at most
// 100), or 101 when the channel did not open.
VOXWARP_TEST_CHILD(IpcSoakClient) {
    IPC channel(args.at(0));
    if (!channel.Open())
        return 101;
    PnIpcCli cli(&channel);
    const int client = std::atoi(args.at(1).c_str());
    std::vector<std::string> calls;
    int failures = 0;
    for (int i = 0; i < kCommandsPerClient; ++i) {
        if (!SendOne(cli, client, i, calls))
            ++failures;
    }
    std::ofstream out(args.at(2), std::ios::trunc);
    for (const std::string& call : calls)
        out << call << '\n';
    return std::min(failures, 100);
}

namespace {

TEST(IpcSoak, TwoClientsSendThousandsOfCommands) {
    ipctest::UseTestNamespace();
    testsupport::TempDir dir;
    const std::string base = ipctest::TestBase("soak");
    ipctest::ServerProcess server(base, dir.File("server.txt"));
    ASSERT_TRUE(server.Start());

    pid_t one = testsupport::SpawnChild("IpcSoakClient", {base, "1", dir.File("client1.txt")});
    pid_t two = testsupport::SpawnChild("IpcSoakClient", {base, "2", dir.File("client2.txt")});
    EXPECT_EQ(testsupport::WaitChild(one, 300000), 0);
    EXPECT_EQ(testsupport::WaitChild(two, 300000), 0);
    ASSERT_EQ(server.Stop(), 0);

    std::vector<std::string> received = server.RecordedCalls();
    std::vector<std::string> sent1 = ipctest::ReadLines(dir.File("client1.txt"));
    std::vector<std::string> sent2 = ipctest::ReadLines(dir.File("client2.txt"));
    ASSERT_EQ(sent1.size(), static_cast<std::size_t>(kCommandsPerClient));
    ASSERT_EQ(sent2.size(), static_cast<std::size_t>(kCommandsPerClient));
    ASSERT_EQ(received.size(), sent1.size() + sent2.size());

    // Each client's tagged commands arrived in its order, none lost, none changed.
    EXPECT_TRUE(TaggedBy(received, 1) == TaggedBy(sent1, 1));
    EXPECT_TRUE(TaggedBy(received, 2) == TaggedBy(sent2, 2));
    // And all of them together, untagged ones included, are what was sent.
    std::vector<std::string> sent = sent1;
    sent.insert(sent.end(), sent2.begin(), sent2.end());
    std::sort(sent.begin(), sent.end());
    std::sort(received.begin(), received.end());
    EXPECT_TRUE(sent == received);
}

} // namespace
