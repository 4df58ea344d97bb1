// The channel between real processes and threads: requests as the client writes them, answers
// as it reads them, and what happens when a server or a client dies mid-command.
#include <csignal>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "child_process.h"
#include "command_cases.h"
#include "ipc/pnipc_cli.h"
#include "ipc_test_env.h"
#include "platform/process_id.h"
#include "temp_dir.h"

namespace {

using ipctest::ServerProcess;
using ipctest::ServerThread;
using ipctest::TestBase;

class IpcChannel : public testing::Test {
protected:
    void SetUp() override { ipctest::UseTestNamespace(); }
    std::string Base() const {
        return TestBase(testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    testsupport::TempDir dir_;
};

TEST_F(IpcChannel, ClientSendsEveryCommandWithItsFields) {
    ServerThread server(Base());
    ASSERT_TRUE(server.Started());
    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);

    const std::vector<CommandCase> cases = AllCommandCases();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.call);
        EXPECT_TRUE(c.send(cli));
    }
    std::vector<ServerThread::Request> requests = server.Requests();
    ASSERT_EQ(requests.size(), cases.size());
    const ByteList pid = Le32(platform::CurrentProcessId());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].call);
        EXPECT_EQ(requests[i].header, Cat({{0, 0, 0, 0}, pid, {0, 0, 0, 0}, Le32(cases[i].code)}));
        EXPECT_EQ(requests[i].size, cases[i].request.size());
        EXPECT_EQ(requests[i].payload, cases[i].request);
        EXPECT_EQ(server.handlers.Calls().at(i), cases[i].call);
    }
}

TEST_F(IpcChannel, ClientAppendsTheAnswers) {
    ServerThread server(Base());
    ASSERT_TRUE(server.Started());
    server.handlers.errors = {"first", "", "\xC3\x9C"};
    server.handlers.playing[2] = true;
    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);

    std::vector<std::string> errors{"kept"};
    ASSERT_TRUE(cli.SrvGetErrors(errors));
    EXPECT_EQ(errors, (std::vector<std::string>{"kept", "first", "", "\xC3\x9C"}));
    errors.clear();
    ASSERT_TRUE(cli.SrvGetErrors(errors)); // the server emptied its list
    EXPECT_TRUE(errors.empty());

    std::vector<bool> playing{true};
    ASSERT_TRUE(cli.EmoticsStatus(playing));
    std::vector<bool> expected(1 + kFunSlots, false);
    expected[0] = true;
    expected[3] = true;
    EXPECT_EQ(playing, expected);
}

TEST_F(IpcChannel, RequestThatDoesNotFitIsNotSent) {
    ServerThread server(Base());
    ASSERT_TRUE(server.Started());
    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);
    EXPECT_FALSE(cli.EffectSelect(0, std::string(kIpcMaxPayload / 2, 'x')));
    EXPECT_TRUE(cli.EffectSelect(0, std::string(kIpcMaxPayload / 2 - 4, 'x')));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(IpcChannel, AnswerToAnotherRequestFailsTheSend) {
    for (int variant = 0; variant < 2; ++variant) {
        ServerThread server(Base(), [variant](IPC& channel) {
            IpcHeader header = channel.Payload().ReadHeader();
            std::uint32_t pid = header.ProcessId() + (variant == 0 ? 1 : 0);
            std::uint32_t code = header.Code() + (variant == 1 ? 1 : 0);
            IpcHeader stale = IpcHeader::Request(pid, code);
            stale.SetAnswered(true);
            channel.SendAnswer(stale);
        });
        ASSERT_TRUE(server.Started());
        IPC channel(Base());
        ASSERT_TRUE(channel.Open());
        channel.Lock(kChannelLockMs);
        channel.BeginRequest();
        EXPECT_FALSE(channel.SendMessageW(kCmdSrvUpdate)) << variant;
        channel.Unlock();
    }
}

TEST_F(IpcChannel, OpenWithoutServerFails) {
    IPC channel(Base());
    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.RequestEvent(), nullptr);
    PnIpcCli cli(&channel);
    EXPECT_FALSE(cli.SrvUpdate());
    std::vector<std::string> errors;
    EXPECT_FALSE(cli.SrvGetErrors(errors));
    EXPECT_TRUE(errors.empty());
}

TEST_F(IpcChannel, SecondServerIsRefusedAndTheFirstServesOn) {
    ServerProcess server(Base(), dir_.File("calls.txt"));
    ASSERT_TRUE(server.Start());
    IPC second(Base());
    EXPECT_FALSE(second.Create(kIpcMaxPayload));

    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);
    EXPECT_TRUE(cli.EffectSetActive(2));
    channel.Close();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.RecordedCalls(), std::vector<std::string>{"EffectSetActive(2)"});
}

TEST_F(IpcChannel, KilledServerFailsTheCommandAndANewServerServes) {
    ServerProcess first(Base(), dir_.File("first.txt"));
    ASSERT_TRUE(first.Start());
    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);
    ASSERT_TRUE(cli.EmoticPlay(1));

    auto hanging = platform::NamedEvent::Create(Base() + "hanging", true, false);
    ASSERT_NE(hanging, nullptr);
    std::thread killer([&] {
        if (platform::WaitForObject(*hanging, 20000).status == platform::WaitStatus::Signalled)
            first.Kill();
    });
    EXPECT_FALSE(cli.EmoticPlay(ipctest::kHangSlot));
    killer.join();

    // The old client still holds the dead server's objects when the new server starts.
    ServerProcess second(Base(), dir_.File("second.txt"));
    ASSERT_TRUE(second.Start());
    IPC another(Base());
    ASSERT_TRUE(another.Open());
    PnIpcCli anotherCli(&another);
    EXPECT_TRUE(anotherCli.EmoticStop(4));
    ASSERT_TRUE(channel.Open());
    EXPECT_TRUE(cli.EmoticStop(5));
    EXPECT_EQ(second.Stop(), 0);
    EXPECT_EQ(second.RecordedCalls(), (std::vector<std::string>{"EmoticStop(4)", "EmoticStop(5)"}));
}

// args: base name. Opens the channel, takes its lock, tells so and waits to be killed.
VOXWARP_TEST_CHILD(IpcLockHolder) {
    IPC channel(args.at(0));
    if (!channel.Open() || !channel.Lock(kChannelLockMs))
        return 2;
    auto locked = platform::NamedEvent::Create(args.at(0) + "locked", true, false);
    if (!locked || !locked->Set())
        return 3;
    for (;;)
        pause();
}

class LockHolder {
public:
    explicit LockHolder(const std::string& base) {
        locked_ = platform::NamedEvent::Create(base + "locked", true, false);
        locked_->Reset();
        pid_ = testsupport::SpawnChild("IpcLockHolder", {base});
    }
    ~LockHolder() { Kill(); }
    bool WaitLocked() {
        return platform::WaitForObject(*locked_, 20000).status == platform::WaitStatus::Signalled;
    }
    int Kill() {
        if (pid_ <= 0)
            return -1;
        kill(pid_, SIGKILL);
        int code = testsupport::WaitChild(pid_, 30000);
        pid_ = -1;
        return code;
    }

private:
    std::unique_ptr<platform::NamedEvent> locked_;
    pid_t pid_ = -1;
};

TEST_F(IpcChannel, KilledLockHolderDoesNotBlockOtherClients) {
    ServerProcess server(Base(), dir_.File("calls.txt"));
    ASSERT_TRUE(server.Start());
    LockHolder holder(Base());
    ASSERT_TRUE(holder.WaitLocked());
    EXPECT_EQ(holder.Kill(), 128 + SIGKILL);

    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);
    EXPECT_TRUE(cli.MonitorSet(true));
    EXPECT_TRUE(cli.MonitorSet(false));
    channel.Close();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.RecordedCalls(), (std::vector<std::string>{"MonitorSet(1)", "MonitorSet(0)"}));
}

TEST_F(IpcChannel, BusyChannelFailsTheCommandWithoutTouchingTheBlock) {
    ServerProcess server(Base(), dir_.File("calls.txt"));
    ASSERT_TRUE(server.Start());
    LockHolder holder(Base());
    ASSERT_TRUE(holder.WaitLocked());

    IPC channel(Base());
    ASSERT_TRUE(channel.Open());
    PnIpcCli cli(&channel);
    EXPECT_FALSE(cli.EffectSelect(1, "Robot"));
    holder.Kill();
    EXPECT_TRUE(cli.EffectSelect(2, "Echo"));
    channel.Close();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.RecordedCalls(), std::vector<std::string>{"EffectSelect(2,Echo)"});
}

} // namespace
