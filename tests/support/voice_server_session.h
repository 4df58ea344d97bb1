// What the end-to-end tests share that run the voice server on the private sound server: a user
// session of their own (home, configuration, runtime folder, program folder, kernel object
// names), shell commands and voxwarpctl against the private server, the voice changer's start
// and stop, a tone played into the fake microphone, and recordings of a source.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace testsupport {

struct ShellOutcome {
    int code = -1;
    std::string out; // standard output and error together
};

// Runs a shell command line against the private sound server.
ShellOutcome ShellWithSoundServer(const std::string& commandLine);
// Runs the built voxwarpctl with the arguments.
ShellOutcome Voxwarpctl(const std::string& arguments);

// Starts the private sound server and points HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR,
// VOXWARP_HOME (the program folder) and the kernel objects' names (tag and this process's id) at
// folders of the session, so that a voice server started by the test touches nothing else. The
// destructor stops and uninstalls the voice server's service and removes the virtual microphone.
class VoiceServerSession {
public:
    explicit VoiceServerSession(const std::string& tag);
    ~VoiceServerSession();
    VoiceServerSession(const VoiceServerSession&) = delete;
    VoiceServerSession& operator=(const VoiceServerSession&) = delete;

    const TempDir& Home() const { return home_; }
    const TempDir& Program() const { return program_; }

    // Starts the voice changer as the run command does and waits until voxwarpctl reaches it;
    // false with what the start printed in out.
    bool StartVoiceChanger(std::string& out);
    // Plays a sine into the fake microphone from now on, for the given seconds.
    bool FeedTone(double frequency, double seconds, double volume);
    // About the given seconds of what a source carries (16-bit mono, 44100 Hz); a recorder that
    // finds an idle source gets nothing at first and is asked again.
    std::vector<std::int16_t> Record(const std::string& source, double seconds) const;
    // The logs of the voice server and the control panel, for a failure's report.
    std::string Logs() const;

private:
    TempDir home_;
    TempDir program_;
    pid_t feed_ = -1;
};

} // namespace testsupport
