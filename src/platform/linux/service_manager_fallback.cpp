// Services without a service manager (containers, CI): the unit's command runs as a detached
// process in a session of its own, and the service program keeps a pid file with its state.
// Only a process that runs the unit's program file counts as the service, so a stale pid file
// whose number was reused never gets a stop signal sent to a stranger.
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/linux/service_manager_linux.h"
#include "platform/system_error.h"

extern char** environ;

namespace platform::servicelinux {
namespace {

constexpr std::size_t kMaxPidFileBytes = 64;
constexpr auto kPollInterval = std::chrono::milliseconds(20);
constexpr std::string_view kDeletedSuffix = " (deleted)";

std::string ErrorText(int error) {
    const char* description = SystemErrorDescription(static_cast<std::uint32_t>(error));
    return description ? description : "Unknown error " + std::to_string(error);
}

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Waits until the process has ended; false when it still runs after timeoutMs.
bool WaitGone(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ProcessAlive(pid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

// What the processes of a detached start tell the caller through the pipe.
struct SpawnMessage {
    std::int32_t kind; // kSpawned, kForkFailed or kExecFailed
    std::int32_t value;
};
constexpr std::int32_t kSpawned = 1;
constexpr std::int32_t kForkFailed = 2;
constexpr std::int32_t kExecFailed = 3;

void Send(int fd, std::int32_t kind, std::int32_t value) {
    SpawnMessage message{kind, value};
    [[maybe_unused]] ssize_t n = write(fd, &message, sizeof message);
}

// Starts command detached from the caller: a new session, stdin/stdout/stderr on /dev/null,
// the folder "/", the caller's environment without NOTIFY_SOCKET (the process is not the
// service manager's), default signal handling. Returns the process id, or 0 with error set.
pid_t SpawnDetached(const std::vector<std::string>& command, int& error) {
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "NOTIFY_SOCKET=", 14) != 0)
            envp.push_back(*entry);
    }
    envp.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = errno;
        return 0;
    }
    // Above the standard descriptors, which the new process replaces.
    int writeFd = fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 3);
    close(pipeFds[1]);
    if (writeFd < 0) {
        error = errno;
        close(pipeFds[0]);
        return 0;
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigset_t none;
    sigemptyset(&none);

    pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        setsid();
        pid_t service = fork();
        if (service != 0) {
            Send(writeFd, service > 0 ? kSpawned : kForkFailed, service > 0 ? service : errno);
            _exit(0);
        }
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
            sigaction(sig, &defaultAction, nullptr);
        int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(devNull, 1);
            dup2(devNull, 2);
        }
        close_range(3, static_cast<unsigned>(writeFd) - 1, 0);
        close_range(static_cast<unsigned>(writeFd) + 1, ~0u, 0);
        if (chdir("/") != 0) {
            // The program sets its own folder; "/" only keeps it from holding the caller's.
        }
        execve(argv[0], argv.data(), envp.data());
        Send(writeFd, kExecFailed, errno);
        _exit(127);
    }
    close(writeFd);
    if (child < 0) {
        error = errno;
        close(pipeFds[0]);
        return 0;
    }
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_t service = 0;
    error = 0;
    SpawnMessage message{};
    for (;;) {
        ssize_t n = read(pipeFds[0], &message, sizeof message);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != static_cast<ssize_t>(sizeof message))
            break;
        if (message.kind == kSpawned)
            service = message.value;
        else
            error = message.value != 0 ? message.value : EIO;
    }
    close(pipeFds[0]);
    if (error == 0 && service <= 0)
        error = EIO;
    return error == 0 ? service : 0;
}

} // namespace

ServiceOutcome MakeFailure(ServiceFailure failure, int error, std::string text) {
    ServiceOutcome outcome;
    outcome.failure = failure;
    outcome.error = error;
    outcome.text = text.empty() && error != 0 ? ErrorText(error) : std::move(text);
    return outcome;
}

std::string RuntimeFolder(int& error) {
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        folder = std::string(runtime) + "/voxwarp";
    else
        folder = "/tmp/voxwarp-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = errno;
        return {};
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) {
        error = errno;
        return {};
    }
    if (!S_ISDIR(info.st_mode)) {
        error = ENOTDIR;
        return {};
    }
    if (info.st_uid != getuid() || (info.st_mode & 022) != 0) {
        error = EACCES;
        return {};
    }
    return folder + "/";
}

std::string PidFilePath(const std::string& name, int& error) {
    std::string folder = RuntimeFolder(error);
    return folder.empty() ? folder : folder + name + ".pid";
}

bool ReadPidFile(const std::string& path, PidFileContent& content) {
    std::string text;
    if (ReadWholeFile(path, text, kMaxPidFileBytes) != 0)
        return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    long pid = 0;
    auto [next, ec] = std::from_chars(begin, end, pid);
    if (ec != std::errc() || pid <= 0 || pid > INT_MAX || next == end || *next != '\n')
        return false;
    content.pid = static_cast<pid_t>(pid);
    content.state = kServiceRunning;
    unsigned state = 0;
    auto [after, stateEc] = std::from_chars(next + 1, end, state);
    if (stateEc == std::errc() && after != end && *after == '\n' && state >= kServiceStopped &&
        state <= kServiceRunning)
        content.state = state;
    return true;
}

int WritePidFile(const std::string& path, const PidFileContent& content) {
    return WriteWholeFileAtomic(path, std::to_string(content.pid) + "\n" +
                                          std::to_string(content.state) + "\n");
}

void RemovePidFileOf(const std::string& path, pid_t pid) {
    PidFileContent content;
    if (ReadPidFile(path, content) && content.pid == pid)
        unlink(path.c_str());
}

bool ProcessAlive(pid_t pid) {
    if (pid <= 0)
        return false;
    std::string stat;
    if (ReadWholeFile("/proc/" + std::to_string(pid) + "/stat", stat, 4096) != 0)
        return false;
    // "PID (COMMAND) STATE ...": the command may itself hold parentheses.
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size())
        return false;
    char state = stat[close + 2];
    return state != 'Z' && state != 'X' && state != 'x';
}

bool ProcessRunsProgram(pid_t pid, const std::string& program) {
    char target[PATH_MAX];
    std::string link = "/proc/" + std::to_string(pid) + "/exe";
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0)
        return false;
    std::string exe(target, static_cast<std::size_t>(n));
    if (exe.size() > kDeletedSuffix.size() &&
        exe.compare(exe.size() - kDeletedSuffix.size(), kDeletedSuffix.size(), kDeletedSuffix) == 0)
        exe.resize(exe.size() - kDeletedSuffix.size());
    return exe == Canonical(program);
}

ServiceOutcome FallbackState(const std::string& name, const std::string& program,
                             std::uint32_t& state, pid_t& pid) {
    state = kServiceStopped;
    pid = 0;
    int error = 0;
    std::string path = PidFilePath(name, error);
    if (path.empty())
        return MakeFailure(ServiceFailure::Failed, error);
    PidFileContent content;
    if (!ReadPidFile(path, content)) {
        if (access(path.c_str(), F_OK) == 0)
            unlink(path.c_str()); // unreadable content names no process
        return {};
    }
    if (ProcessAlive(content.pid) && ProcessRunsProgram(content.pid, program)) {
        pid = content.pid;
        // A process that reported stopped has not ended yet.
        state = content.state == kServiceStopped ? kServiceStopPending : content.state;
        return {};
    }
    RemovePidFileOf(path, content.pid);
    return {};
}

ServiceOutcome FallbackStart(const std::string& name, const std::vector<std::string>& command) {
    std::uint32_t state = kServiceStopped;
    pid_t pid = 0;
    ServiceOutcome outcome = FallbackState(name, command[0], state, pid);
    if (!outcome.Ok() || state == kServiceRunning || state == kServiceStartPending)
        return outcome;
    if (state == kServiceStopPending && !WaitGone(pid, kServiceWaitMs))
        return MakeFailure(ServiceFailure::Unresponsive, 0,
                           "The service is still stopping (process " + std::to_string(pid) + ").");

    int error = 0;
    std::string path = PidFilePath(name, error);
    if (path.empty())
        return MakeFailure(ServiceFailure::Failed, error);
    pid = SpawnDetached(command, error);
    if (pid == 0)
        return MakeFailure(ServiceFailure::Failed, error,
                           "Cannot run " + command[0] + ": " + ErrorText(error));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServiceWaitMs);
    for (;;) {
        PidFileContent content;
        if (ReadPidFile(path, content) && content.pid == pid && content.state == kServiceRunning)
            return {};
        if (!ProcessAlive(pid)) {
            RemovePidFileOf(path, pid);
            return MakeFailure(ServiceFailure::Failed, 0,
                               "The service program ended before it reported running.");
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return MakeFailure(ServiceFailure::Unresponsive, 0,
                               "The service program did not report running in time (process " +
                                   std::to_string(pid) + ").");
        std::this_thread::sleep_for(kPollInterval);
    }
}

ServiceOutcome FallbackStop(const std::string& name, const std::string& program) {
    std::uint32_t state = kServiceStopped;
    pid_t pid = 0;
    ServiceOutcome outcome = FallbackState(name, program, state, pid);
    if (!outcome.Ok() || state == kServiceStopped)
        return outcome;
    if (state != kServiceStopPending && kill(pid, SIGTERM) != 0 && errno != ESRCH)
        return MakeFailure(ServiceFailure::Failed, errno);
    if (!WaitGone(pid, kServiceWaitMs))
        return MakeFailure(ServiceFailure::Unresponsive, 0,
                           "The service program did not end after the stop request (process " +
                               std::to_string(pid) + ").");
    int error = 0;
    std::string path = PidFilePath(name, error);
    if (!path.empty())
        RemovePidFileOf(path, pid);
    return {};
}

} // namespace platform::servicelinux
