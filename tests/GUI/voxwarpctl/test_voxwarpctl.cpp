// voxwarpctl: command line to protocol call, refusal of bad arguments before anything is sent,
// answer output, and the built program against a test server.
#include "ctl_args.h"
#include "ctl_commands.h"
#include "ctl_library.h"
#include "ctl_run.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "base/mlog.h"
#include "child_process.h"
#include "config/ini.h"
#include "ipc/ipc.h"
#include "ipc/pnipc_srv.h"
#include "ipc_test_env.h"
#include "mo_writer.h"
#include "platform/kobjects.h"
#include "program_dir.h"
#include "recording_handlers.h"
#include "temp_dir.h"

namespace {

using namespace voxwarpctl;
using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

// Connects to a test server on a thread of this process, whose handlers record the calls and
// answer with the set errors and flags (or to nothing: the server is not running; or to a
// server that never answers), and remembers the base it was asked for.
class FakeConnector : public CtlConnector {
public:
    bool serverRuns = true;
    bool serverAnswers = true;
    std::vector<std::string> errors;
    std::vector<bool> playing = std::vector<bool>(kFunSlots, false);
    int connects = 0;
    std::string base;
    // The program folder whose config.ini keeps the changes.
    testsupport::TempDir folder;
    AppConfig config{folder.Path()};

    std::unique_ptr<IPC> Connect(const std::string& b) override {
        ++connects;
        base = b;
        if (!serverRuns)
            return nullptr;
        ipctest::UseTestNamespace();
        static int count = 0;
        std::string testBase = ipctest::TestBase("ctl" + std::to_string(++count));
        std::function<void(IPC&)> silent = [](IPC&) {};
        server_ =
            std::make_unique<ipctest::ServerThread>(testBase, serverAnswers ? nullptr : silent);
        if (!server_->Started())
            return nullptr;
        server_->handlers.errors = errors;
        server_->handlers.playing = playing;
        auto channel = std::make_unique<IPC>(testBase);
        return channel->Open() ? std::move(channel) : nullptr;
    }
    Lines Calls() const { return server_ ? server_->handlers.Calls() : Lines(); }

private:
    std::unique_ptr<ipctest::ServerThread> server_;
};

struct RunResult {
    int code = -1;
    std::string out;
    std::string err;
};

RunResult RunWith(FakeConnector& connector, const Args& args) {
    std::ostringstream out, err;
    RunResult result;
    result.code = RunCtl(args, connector, connector.config, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

// Every command with the call it makes, slots converted to the protocol's numbering.
const std::pair<Args, std::string> kMappings[] = {
    {{"update"}, "SrvUpdate()"},
    {{"errors"}, "SrvGetErrors()"},
    {{"monitor", "on"}, "MonitorSet(1)"},
    {{"monitor", "off"}, "MonitorSet(0)"},
    {{"monitor-volume", "0"}, "MonitorSetVol(0)"},
    {{"monitor-volume", "100"}, "MonitorSetVol(100)"},
    {{"client-started"}, "CliOnStarted()"},
    {{"client-closed"}, "CliOnClose()"},
    {{"effect", "1"}, "EffectSetActive(0)"},
    {{"effect", "3"}, "EffectSetActive(2)"},
    {{"effect", "off"}, "EffectSetActive(-1)"},
    {{"effect-select", "2", "Robot voice"}, "EffectSelect(1,Robot voice)"},
    {{"effect-select", "3", ""}, "EffectSelect(2,)"},
    {{"background", "2"}, "BackSoundSetActive(1)"},
    {{"background", "off"}, "BackSoundSetActive(-1)"},
    {{"background-select", "1", "rain.wav"}, "BackSoundSelect(0,rain.wav)"},
    {{"background-volume", "3", "42"}, "BackSoundSetVol(2,42)"},
    {{"fun", "play", "1"}, "EmoticPlay(0)"},
    {{"fun", "play", "60"}, "EmoticPlay(59)"},
    {{"fun", "stop", "7"}, "EmoticStop(6)"},
    {{"fun", "select", "1", "Applaus ü.wav"}, "EmoticSelect(0,Applaus ü.wav)"},
    {{"fun", "stop-all"}, "EmoticStopAll()"},
    {{"fun", "status"}, "EmoticsStatus()"},
    {{"--base", "Global\\Other", "update"}, "SrvUpdate()"},
};

TEST(VoxwarpctlArgs, EveryCommandMakesItsCall) {
    for (const auto& [args, call] : kMappings) {
        FakeConnector connector;
        RunResult result = RunWith(connector, args);
        EXPECT_EQ(result.code, kExitDone) << args[0] << ": " << result.err;
        EXPECT_EQ(connector.Calls(), Lines({call})) << args[0];
        EXPECT_EQ(result.err, "");
    }
    // Every command of the table is covered above.
    for (const CtlCommand& command : CtlCommands()) {
        bool covered = std::any_of(std::begin(kMappings), std::end(kMappings), [&](auto& m) {
            std::string typed = m.first[0] == "--base" ? m.first[2] : m.first[0];
            if (m.first.size() > 1 && m.first[0] == "fun")
                typed += " " + m.first[1];
            return typed == command.words;
        });
        EXPECT_TRUE(covered) << command.words;
    }
}

TEST(VoxwarpctlArgs, ChannelBaseIsTheServersUnlessGiven) {
    FakeConnector standard, other, joined;
    RunWith(standard, {"update"});
    RunWith(other, {"--base", "Global\\Test_ipc", "update"});
    RunWith(joined, {"--base=Global\\Joined", "update"});
    EXPECT_EQ(standard.base, "Global\\PNS_ipc");
    EXPECT_EQ(other.base, "Global\\Test_ipc");
    EXPECT_EQ(joined.base, "Global\\Joined");
}

TEST(VoxwarpctlArgs, BadArgumentsAreRefusedBeforeAnythingIsSent) {
    const std::pair<Args, std::string> cases[] = {
        {{}, "no command given"},
        {{"reboot"}, "unknown command \"reboot\""},
        {{"fun"}, "\"fun\" needs a subcommand"},
        {{"fun", "dance", "1"}, "unknown command \"fun dance\""},
        {{"--verbose", "update"}, "unknown option \"--verbose\""},
        {{"--base"}, "--base needs a name"},
        {{"--base=", "update"}, "--base needs a name"},
        {{"update", "now"}, "update: unexpected argument \"now\""},
        {{"effect"}, "effect: missing SLOT|off"},
        {{"effect", "1", "2"}, "effect: unexpected argument \"2\""},
        {{"effect", "0"}, "effect: SLOT must be 1 to 3 or off, not \"0\""},
        {{"effect", "4"}, "effect: SLOT must be 1 to 3 or off, not \"4\""},
        {{"effect", "-1"}, "effect: SLOT must be 1 to 3 or off"},
        {{"effect-select", "off", "X"}, "effect-select: SLOT must be 1 to 3, not \"off\""},
        {{"effect-select", "1"}, "effect-select: missing NAME"},
        {{"background", "one"}, "background: SLOT must be 1 to 3 or off"},
        {{"background-volume", "1"}, "background-volume: missing N"},
        {{"background-volume", "4", "50"}, "background-volume: SLOT must be 1 to 3"},
        {{"background-volume", "1", "101"}, "N must be a number from 0 to 100, not \"101\""},
        {{"monitor-volume", "loud"}, "monitor-volume: N must be a number from 0 to 100"},
        {{"monitor-volume", "+5"}, "N must be a number from 0 to 100, not \"+5\""},
        {{"monitor-volume", "5x"}, "N must be a number from 0 to 100, not \"5x\""},
        {{"monitor-volume", ""}, "N must be a number from 0 to 100, not \"\""},
        {{"monitor-volume", "99999999999999999999"}, "N must be a number from 0 to 100"},
        {{"monitor", "maybe"}, "monitor: expected on or off, not \"maybe\""},
        {{"fun", "play"}, "fun play: missing SLOT"},
        {{"fun", "play", "0"}, "fun play: SLOT must be 1 to 60, not \"0\""},
        {{"fun", "stop", "61"}, "fun stop: SLOT must be 1 to 60, not \"61\""},
        {{"fun", "select", "1", "bad\xff.wav"}, "fun select: FILE is not valid UTF-8"},
        {{"fun", "select", "1", std::string(51200, 'a')}, "fun select: FILE is too long"},
        {{"fun", "status", "all"}, "fun status: unexpected argument \"all\""},
    };
    for (const auto& [args, message] : cases) {
        FakeConnector connector;
        RunResult result = RunWith(connector, args);
        std::string shown = args.empty() ? "(none)" : args[0];
        EXPECT_EQ(result.code, kExitBadArgs) << shown;
        EXPECT_EQ(result.err.rfind("voxwarpctl: ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
        EXPECT_EQ(connector.connects, 0) << shown;
        EXPECT_TRUE(connector.Calls().empty()) << shown;
        EXPECT_EQ(result.out, "");
    }
    // The longest text that fits the server's payload is still sent.
    FakeConnector fits;
    EXPECT_EQ(RunWith(fits, {"fun", "select", "1", std::string(51197, 'a')}).code, kExitDone);
}

TEST(VoxwarpctlArgs, HelpListsEveryCommand) {
    for (const char* option : {"--help", "-h"}) {
        FakeConnector connector;
        RunResult result = RunWith(connector, {option});
        EXPECT_EQ(result.code, kExitDone);
        EXPECT_EQ(connector.connects, 0);
        for (const CtlCommand& command : CtlCommands()) {
            std::string usage = CtlCommandUsage(command);
            std::size_t at = result.out.find("  " + usage + " ");
            ASSERT_NE(at, std::string::npos) << usage;
            std::size_t end = result.out.find('\n', at);
            EXPECT_NE(result.out.substr(at, end - at).find(command.description), std::string::npos)
                << usage;
        }
        EXPECT_EQ(result.out.find("--base"), std::string::npos);
    }
}

TEST(VoxwarpctlOutput, ErrorsOnePerLine) {
    FakeConnector connector;
    connector.errors = {"Effect \"Robot\" could not be loaded", "Sound file missing"};
    RunResult result = RunWith(connector, {"errors"});
    EXPECT_EQ(result.out, "Effect \"Robot\" could not be loaded\nSound file missing\n");

    FakeConnector none;
    EXPECT_EQ(RunWith(none, {"errors"}).out, "");
}

TEST(VoxwarpctlOutput, FunStatusListsPlayingSlotsFromOne) {
    FakeConnector connector;
    connector.playing.assign(60, false);
    connector.playing[0] = connector.playing[6] = true;
    connector.playing[59] = true;
    EXPECT_EQ(RunWith(connector, {"fun", "status"}).out, "1\n7\n60\n");

    FakeConnector quiet;
    quiet.playing.assign(60, false);
    EXPECT_EQ(RunWith(quiet, {"fun", "status"}).out, "");
}

TEST(VoxwarpctlRun, MissingOrSilentServerEndsWithCodeOne) {
    FakeConnector absent;
    absent.serverRuns = false;
    RunResult notRunning = RunWith(absent, {"fun", "play", "3"});
    EXPECT_EQ(notRunning.code, kExitNoServer);
    EXPECT_EQ(notRunning.err, "voxwarpctl: the voice server is not running\n");

    FakeConnector silent;
    silent.serverAnswers = false;
    silent.errors = {"not to be shown"};
    RunResult noAnswer = RunWith(silent, {"errors"});
    EXPECT_EQ(noAnswer.code, kExitNoServer);
    EXPECT_EQ(noAnswer.err, "voxwarpctl: the voice server did not answer\n");
    EXPECT_EQ(noAnswer.out, "");
}

TEST(VoxwarpctlStore, ChangesTheServerMadeAreKeptInTheConfiguration) {
    FakeConnector connector;
    const std::string path = connector.config.ConfigPath();
    testsupport::WriteFile(path, "[sys]\nlangFile=de.glo\n[sound_1]\nfile=old.wav\nvolume=70\n");
    const Args commands[] = {{"effect", "3"},
                             {"effect-select", "2", "Robot"},
                             {"background", "1"},
                             {"background-select", "2", "rain.wav"},
                             {"background-volume", "2", "42"},
                             {"monitor", "on"},
                             {"monitor-volume", "30"},
                             {"fun", "select", "1", "animals/Frog.wav"},
                             {"fun", "play", "1"}};
    for (const Args& args : commands)
        ASSERT_EQ(RunWith(connector, args).code, kExitDone) << args[0];

    AppConfig stored(connector.folder.Path());
    ASSERT_TRUE(stored.Load());
    EXPECT_EQ(stored.activeEffect, 2);
    EXPECT_EQ(stored.activeBackSound, 0);
    EXPECT_EQ(stored.langFile, "de.glo");
    EXPECT_EQ(stored.effects[1], "Robot");
    EXPECT_EQ(stored.backSounds[1].file, "rain.wav");
    EXPECT_EQ(stored.backSounds[1].descr, "rain");
    EXPECT_EQ(stored.backSounds[1].volume, 42);
    EXPECT_TRUE(stored.monitorOn);
    EXPECT_EQ(stored.monitorVol, 30);
    ASSERT_EQ(stored.emotics.size(), 1u);
    EXPECT_EQ(stored.emotics[0].file, "animals/Frog.wav");
    EXPECT_EQ(stored.emotics[0].name, "Frog");
    // Each command wrote only the keys it changed.
    const IniDocument saved = IniDocument::Parse(testsupport::ReadFile(path));
    EXPECT_EQ(saved.KeyNames("sys"),
              (std::vector<std::string>{"langFile", "activeEffect", "activeBackSound"}));
    EXPECT_EQ(saved.KeyNames("effects"), std::vector<std::string>{"eff_1"});
    EXPECT_EQ(saved.KeyNames("monitors"), (std::vector<std::string>{"monitorOn", "monitorVol"}));

    // A fun slot past the end of the list is not kept (it would move other slots); said so.
    RunResult gap = RunWith(connector, {"fun", "select", "5", "x.wav"});
    EXPECT_EQ(gap.code, kExitDone);
    EXPECT_NE(gap.err.find("fun slot 5 is not kept"), std::string::npos) << gap.err;
    // Nothing is kept when the server did not carry the command out.
    const std::string before = testsupport::ReadFile(path);
    connector.serverRuns = false;
    EXPECT_EQ(RunWith(connector, {"effect", "1"}).code, kExitNoServer);
    EXPECT_EQ(testsupport::ReadFile(path), before);
    // A configuration that cannot be written is reported with its own exit code.
    connector.serverRuns = true;
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    RunResult unwritable = RunWith(connector, {"monitor", "off"});
    EXPECT_EQ(unwritable.code, 4);
    EXPECT_EQ(unwritable.err, "voxwarpctl: could not write " + path + "\n");
}

// ---- The built program against a test server ----

// Keeps the test's objects away from a voice server that really runs.
void UseTestNamespace() {
    setenv("VOXWARP_KOBJECT_NAMESPACE", ("voxwarp-tests-" + std::to_string(getpid())).c_str(), 0);
}

// Recording handlers that also append each call as a line to a file, for the test process.
class FileRecordingHandlers : public RecordingHandlers {
public:
    explicit FileRecordingHandlers(std::string path) : path_(std::move(path)) {
        errors = {"Effect \"Robot\" could not be loaded", "Fehler: Datei fehlt"};
        playing[2] = playing[59] = true;
    }

protected:
    void Record(std::string call) override {
        std::string all = std::filesystem::exists(path_) ? testsupport::ReadFile(path_) : "";
        testsupport::WriteFile(path_, all + call + "\n");
        RecordingHandlers::Record(std::move(call));
    }

private:
    std::string path_;
};

// A server that serves the channel with recording handlers until "stop" appears in the
// folder. Args: channel base, folder.
VOXWARP_TEST_CHILD(CtlTestServer) {
    const std::string& folder = args.at(1);
    LogInit((folder + "server.log").c_str(), false, false, false, false, true);
    IPC channel(args.at(0));
    if (!channel.Create(kIpcMaxPayload))
        return 2;
    FileRecordingHandlers handlers(folder + "calls");
    testsupport::WriteFile(folder + "ready", "");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!std::filesystem::exists(folder + "stop")) {
        if (std::chrono::steady_clock::now() > deadline)
            return 3;
        platform::WaitResult woken = platform::WaitForObject(*channel.RequestEvent(), 20);
        if (woken.status == platform::WaitStatus::Signalled)
            channel.Dispatch(ServerCommandTable(), handlers);
    }
    channel.Close();
    return 0;
}

// Runs the built voxwarpctl with the arguments; stdout and stderr go through files.
// VOXWARP_CTL_LOG is set to logPath, or left out when it is empty; so is VOXWARP_HOME (the
// program folder) to home.
RunResult RunProgram(const testsupport::TempDir& dir, const Args& args,
                     const std::string& logPath = "", const std::string& home = "") {
    std::string program = testsupport::ProgramDir() + "voxwarpctl";
    std::string outPath = dir.File("out.txt"), errPath = dir.File("err.txt");
    // Everything the child needs is made before the fork.
    Args argStore = args, envStore;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string variable(*e);
        if (variable.rfind("VOXWARP_CTL_LOG=", 0) != 0 && variable.rfind("VOXWARP_HOME=", 0) != 0)
            envStore.push_back(*e);
    }
    if (!logPath.empty())
        envStore.push_back("VOXWARP_CTL_LOG=" + logPath);
    if (!home.empty())
        envStore.push_back("VOXWARP_HOME=" + home);
    std::vector<char*> argv{program.data()}, envp;
    for (std::string& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);

    pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out);
    close(err);
    RunResult result;
    result.code = testsupport::WaitChild(pid, 30000);
    result.out = testsupport::ReadFile(outPath);
    result.err = testsupport::ReadFile(errPath);
    return result;
}

class VoxwarpctlProgram : public testing::Test {
protected:
    void SetUp() override { UseTestNamespace(); }
    void TearDown() override {
        if (server_ > 0) {
            testsupport::WriteFile(dir_.File("stop"), "");
            EXPECT_EQ(testsupport::WaitChild(server_, 20000), 0);
        }
    }
    void StartServer() {
        server_ = testsupport::SpawnChild("CtlTestServer", {base_, dir_.Path()});
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!std::filesystem::exists(dir_.File("ready")) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(std::filesystem::exists(dir_.File("ready")))
            << testsupport::ReadFile(dir_.File("server.log"));
    }
    RunResult Ctl(Args args, const std::string& logPath = "") {
        args.insert(args.begin(), {"--base", base_});
        return RunProgram(dir_, args, logPath);
    }
    Lines Calls() {
        Lines lines;
        std::istringstream in(testsupport::ReadFile(dir_.File("calls")));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::string base_ = "Global\\Ctl_test_" + std::to_string(getpid()) + "_";
    testsupport::TempDir dir_;
    pid_t server_ = -1;
};

TEST_F(VoxwarpctlProgram, CommandsReachTheServerAndAnswersArePrinted) {
    ASSERT_NO_FATAL_FAILURE(StartServer());
    std::string log = dir_.File("ctl.log");
    RunResult effect = Ctl({"effect", "2"}, log);
    EXPECT_EQ(effect.code, 0) << effect.err;
    EXPECT_EQ(effect.out, "");
    EXPECT_NE(testsupport::ReadFile(log).find("PnIpcCli::EffectSetActive"), std::string::npos);

    EXPECT_EQ(Ctl({"background-volume", "3", "80"}).code, 0);
    EXPECT_EQ(Ctl({"fun", "select", "5", "Tür.wav"}).code, 0);
    EXPECT_EQ(Ctl({"monitor", "on"}).code, 0);
    RunResult errors = Ctl({"errors"});
    EXPECT_EQ(errors.code, 0);
    EXPECT_EQ(errors.out, "Effect \"Robot\" could not be loaded\nFehler: Datei fehlt\n");
    RunResult status = Ctl({"fun", "status"});
    EXPECT_EQ(status.code, 0);
    EXPECT_EQ(status.out, "3\n60\n");

    RunResult bad = Ctl({"effect", "9"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("SLOT must be 1 to 3 or off"), std::string::npos);

    EXPECT_EQ(Calls(),
              Lines({"EffectSetActive(1)", "BackSoundSetVol(2,80)", "EmoticSelect(4,Tür.wav)",
                     "MonitorSet(1)", "SrvGetErrors()", "EmoticsStatus()"}));
}

// A language file whose translation of "%s. File: \"%s\"" asks for 22 strings: the message is
// made from the English text instead.
TEST_F(VoxwarpctlProgram, TranslationWithOtherConversionsGivesTheEnglishMessage) {
    std::string manyStrings;
    for (int i = 0; i < 22; ++i)
        manyStrings += "%s";
    const std::string home = dir_.File("home/");
    std::filesystem::create_directories(home);
    testsupport::WriteFile(home + "bad.glo",
                           testsupport::BuildMoCatalog({{"%s. File: \"%s\"", manyStrings}}));
    testsupport::WriteFile(home + "config.ini", "[sys]\nlangFile=bad.glo\n");
    const std::string notWav = dir_.File("notwav.wav");
    testsupport::WriteFile(notWav, "not a sound");

    RunResult result = RunProgram(dir_, {"import", "background", notWav}, "", home);
    EXPECT_EQ(result.code, kExitLibrary) << result.err;
    EXPECT_EQ(result.err, "voxwarpctl: WAV file format error. File: \"" + notWav + "\"\n");
}

TEST_F(VoxwarpctlProgram, NoServerEndsWithCodeOne) {
    RunResult result = Ctl({"update"});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "voxwarpctl: the voice server is not running\n");
    EXPECT_EQ(result.out, "");
}

} // namespace
