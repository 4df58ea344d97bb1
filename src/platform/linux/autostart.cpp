#include "platform/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/atomic_file.h"

namespace platform {
namespace {

constexpr const char* kEntryName = "Voxwarp.desktop";
// A desktop entry is a few hundred bytes; anything larger is not ours.
constexpr size_t kMaxEntryBytes = 64 * 1024;

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

// Creates folder and its missing parents, owner-only for new ones as the XDG folders are.
int MakeFolders(const std::string& folder) {
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0)
        return errno;
    return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

// Undoes the string value escapes of a desktop entry (\s \n \t \r \\); false for others.
bool UnescapeString(const std::string& value, std::string& out) {
    out.clear();
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size())
            return false;
        switch (value[i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

std::string AutostartEntryPath() {
    return ConfigHome() + "/autostart/" + kEntryName;
}

std::string DesktopExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        if (c == '%')
            quoted += '%';
        quoted += c;
    }
    quoted += '"';
    // The Exec value is a string: its backslashes are escaped once more.
    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += '\\';
        value += c;
    }
    return value;
}

std::string DesktopExecProgram(const std::string& exec) {
    std::string line;
    if (!UnescapeString(exec, line) || line.empty())
        return {};
    std::string program;
    size_t i = 0;
    if (line[0] != '"') {
        for (; i < line.size() && line[i] != ' '; ++i) {
            if (line[i] == '%' && ++i < line.size() && line[i] != '%')
                return {}; // a field code is no part of a program path
            program += line[i];
        }
        return program;
    }
    for (i = 1; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"')
            return i + 1 == line.size() || line[i + 1] == ' ' ? program : std::string();
        if (c == '\\' && ++i < line.size())
            c = line[i];
        else if (c == '%' && ++i < line.size() && line[i] == '%')
            c = '%';
        else if (c == '%')
            return {};
        program += c;
    }
    return {}; // no closing quote
}

bool AutostartEnabled(const std::string& program) {
    std::string content;
    if (program.empty() || ReadWholeFile(AutostartEntryPath(), content, kMaxEntryBytes) != 0)
        return false;
    std::istringstream lines(content);
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.rfind("Exec=", 0) == 0)
            return DesktopExecProgram(line.substr(5)) == program;
    }
    return false;
}

int SetAutostart(const std::string& program, bool on) {
    const std::string path = AutostartEntryPath();
    if (!on)
        return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : errno;
    // A line break cannot stand in an Exec value; a relative path would depend on the session's
    // working folder.
    if (program.empty() || program[0] != '/' || program.find_first_of("\n\r") != std::string::npos)
        return EINVAL;
    const int made = MakeFolders(path.substr(0, path.rfind('/')));
    if (made != 0)
        return made;
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Voxwarp\n"
                              "Comment=Real-time voice changer\n"
                              "Exec=" +
                              DesktopExecArgument(program) +
                              "\n"
                              "Terminal=false\n"
                              "Categories=AudioVideo;Audio;\n"
                              "X-GNOME-Autostart-enabled=true\n";
    return WriteWholeFileAtomic(path, entry);
}

} // namespace platform
