// The built Wrapup, run as the installer runs it, against a program stamped at build time.
#include "wrapup.h"

#include "config/ini.h"
#include "program_dir.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Runs the built Wrapup with one argument in folder; when removeFolder is set, the folder is
// removed after the child entered it. Returns the exit status.
int RunWrapupProgram(const std::string& folder, const std::string& argument,
                     bool removeFolder = false) {
    const std::string program = testsupport::ProgramDir() + "Wrapup";
    std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                               const_cast<char*>(argument.c_str()), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(folder.c_str()) != 0 || (removeFolder && rmdir(folder.c_str()) != 0))
            _exit(120);
        execv(program.c_str(), argv.data());
        _exit(121);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// What the installer sees of an exit code.
int ExitStatus(int code) {
    return static_cast<uint8_t>(code);
}

} // namespace

TEST(WrapupProgram, CopiesTheStampedValues) {
    TempDir install;
    ASSERT_EQ(mkdir(install.File(kCompanionFolder).c_str(), 0755), 0);
    WriteFile(install.File("config.ini"), "[sys]\nwizard=1\n[Shortcuts]\nStop=Ctrl+S\n");
    ASSERT_EQ(RunWrapupProgram(install.Path(), VOXWARP_STAMPED_INSTALLER), 0);

    const IniDocument config = IniDocument::Parse(ReadFile(install.File("config.ini")));
    EXPECT_EQ(config.Get("sys", "PartnerId"), "partner-7");
    EXPECT_EQ(config.Get("sys", "WebInfo"), "https://voxwarp.example/info?a=1&b=2");
    EXPECT_EQ(config.Get("sys", "KestrelUrl"), "https://kestrel.example/");
    EXPECT_EQ(config.Get("Shortcuts", "Stop"), "Ctrl+S");
    const std::string affiliate = "aff \"42\" \\ \xc3\x9c";
    EXPECT_EQ(ReadFile(install.File("affiliate.txt")), affiliate);
    EXPECT_EQ(ReadFile(install.File(kCompanionFolder) + "/affiliate.txt"), affiliate);
}

TEST(WrapupProgram, ReportsThroughItsExitCode) {
    TempDir install;
    EXPECT_EQ(RunWrapupProgram(install.Path(), install.File("no installer")),
              ExitStatus(kWrapupNoVersionStrings));
    // Without the companion folder.
    EXPECT_EQ(RunWrapupProgram(install.Path(), VOXWARP_STAMPED_INSTALLER),
              ExitStatus(kWrapupAffiliateNotWritten));

    TempDir parent;
    const std::string gone = parent.File("gone");
    ASSERT_EQ(mkdir(gone.c_str(), 0755), 0);
    EXPECT_EQ(RunWrapupProgram(gone, VOXWARP_STAMPED_INSTALLER, true),
              ExitStatus(kWrapupNoCurrentFolder));
}
