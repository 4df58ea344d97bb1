// Round trip of one command over the command channel (client method to server handler and
// back, without the server's pause between commands) next to the same exchange of bytes over a
// Unix socket pair. Both servers run on a thread of this process.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "ipc/ipc.h"
#include "ipc/pnipc_cli.h"
#include "ipc/pnipc_cmds.h"
#include "ipc/pnipc_srv.h"
#include "ipc/voice_handlers.h"
#include "platform/kobjects.h"

namespace {

class IdleHandlers : public VoiceServerHandlers {
public:
    void SrvUpdate() override {}
    std::vector<std::string> SrvGetErrors() override { return {}; }
    void MonitorSet(std::uint8_t) override {}
    void MonitorSetVol(std::uint8_t) override {}
    void CliOnStarted() override {}
    void CliOnClose() override {}
    void EffectSetActive(std::int32_t) override {}
    void EffectSelect(std::int32_t, const std::string&) override {}
    void BackSoundSetActive(std::int32_t) override {}
    void BackSoundSelect(std::int32_t, const std::string&) override {}
    void BackSoundSetVol(std::int32_t, std::uint8_t) override {}
    void EmoticPlay(std::int32_t) override {}
    void EmoticStop(std::int32_t) override {}
    void EmoticSelect(std::int32_t, const std::string&) override {}
    void EmoticStopAll() override {}
    std::vector<bool> EmoticsStatus() override { return std::vector<bool>(kFunSlots); }
};

// The server's command loop on a thread, as the voice server runs it but without the pause.
class ChannelServer {
public:
    explicit ChannelServer(const std::string& base) : base_(base) {
        stop_ = platform::NamedEvent::Create("", false, false);
        std::shared_ptr<platform::NamedEvent> up = platform::NamedEvent::Create("", true, false);
        thread_ = std::thread([this, up] {
            IPC channel(base_);
            bool ok = channel.Create(kIpcMaxPayload);
            ok_ = ok;
            up->Set();
            while (ok) {
                platform::WaitResult r = platform::WaitForObjects(
                    {stop_.get(), channel.RequestEvent()}, platform::kWaitInfinite);
                if (r.status != platform::WaitStatus::Signalled || r.index == 0)
                    break;
                channel.Dispatch(ServerCommandTable(), handlers_);
            }
        });
        platform::WaitForObject(*up, platform::kWaitInfinite);
    }
    ~ChannelServer() {
        stop_->Set();
        thread_.join();
    }
    bool Ok() const { return ok_; }

private:
    std::string base_;
    IdleHandlers handlers_;
    std::unique_ptr<platform::NamedEvent> stop_;
    bool ok_ = false;
    std::thread thread_;
};

std::string BenchBase() {
    // Away from a voice server that may run for the user.
    std::string ns = "bench-" + std::to_string(getpid());
    setenv("VOXWARP_KOBJECT_NAMESPACE", ns.c_str(), 1);
    return "Global\\PNS_ipc_bench";
}

// Sends one command per iteration over a fresh channel to a server thread; send returns
// whether the server answered.
template <typename Send>
void RunChannelRoundTrips(benchmark::State& state, Send send) {
    const std::string base = BenchBase();
    ChannelServer server(base);
    IPC channel(base);
    if (!server.Ok() || !channel.Open()) {
        state.SkipWithError("channel not available");
        return;
    }
    PnIpcCli cli(&channel);
    for (auto _ : state) {
        if (!send(cli)) {
            state.SkipWithError("command failed");
            break;
        }
    }
}

void BM_ChannelRoundTrip(benchmark::State& state) {
    RunChannelRoundTrips(state, [](PnIpcCli& cli) { return cli.EffectSetActive(1); });
}
BENCHMARK(BM_ChannelRoundTrip)->UseRealTime();

void BM_ChannelRoundTripWithAnswer(benchmark::State& state) {
    std::vector<bool> playing;
    RunChannelRoundTrips(state, [&playing](PnIpcCli& cli) {
        playing.clear();
        return cli.EmoticsStatus(playing);
    });
}
BENCHMARK(BM_ChannelRoundTripWithAnswer)->UseRealTime();

bool ExchangeExactly(int fd, void* buf, std::size_t n, bool write) {
    auto* p = static_cast<char*>(buf);
    while (n > 0) {
        ssize_t done = write ? ::write(fd, p, n) : ::read(fd, p, n);
        if (done <= 0)
            return false;
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// The reference: a request of the same size (header, payload size, one 32-bit field) and an
// answer of header and payload size over a socket pair.
void BM_SocketPairRoundTrip(benchmark::State& state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("socketpair failed");
        return;
    }
    std::thread server([fd = fds[1]] {
        std::uint8_t request[24];
        std::uint8_t answer[20] = {1};
        while (ExchangeExactly(fd, request, sizeof request, false) &&
               ExchangeExactly(fd, answer, sizeof answer, true)) {
        }
    });
    std::uint8_t request[24] = {0};
    std::uint8_t answer[20];
    for (auto _ : state) {
        if (!ExchangeExactly(fds[0], request, sizeof request, true) ||
            !ExchangeExactly(fds[0], answer, sizeof answer, false)) {
            state.SkipWithError("socket exchange failed");
            break;
        }
    }
    close(fds[0]);
    server.join();
    close(fds[1]);
}
BENCHMARK(BM_SocketPairRoundTrip)->UseRealTime();

} // namespace
