#include "child_process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {
namespace {

constexpr const char* kChildFlag = "--voxwarp-child=";

std::map<std::string, ChildMain>& Registry() {
    static std::map<std::string, ChildMain> registry;
    return registry;
}

} // namespace

ChildRegistrar::ChildRegistrar(const char* name, ChildMain fn) {
    Registry()[name] = fn;
}

pid_t SpawnChild(const std::string& name, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/proc/self/exe", kChildFlag + name};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv)
        raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        execv("/proc/self/exe", raw.data());
        _exit(127);
    }
    return pid;
}

int WaitChild(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            if (WIFSIGNALED(status))
                return 128 + WTERMSIG(status);
            return -1;
        }
        if (r < 0)
            return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

bool RunChildIfRequested(int argc, char** argv, int& exitCode) {
    if (argc < 2 || std::strncmp(argv[1], kChildFlag, std::strlen(kChildFlag)) != 0)
        return false;
    auto it = Registry().find(argv[1] + std::strlen(kChildFlag));
    if (it == Registry().end()) {
        exitCode = 126;
        return true;
    }
    exitCode = it->second(std::vector<std::string>(argv + 2, argv + argc));
    return true;
}

int RunShell(const std::string& commandLine, std::string* output) {
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        text.append(chunk, n);
    int status = pclose(pipe);
    if (output != nullptr)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testsupport
