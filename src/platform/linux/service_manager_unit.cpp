// systemd user unit files: where they live, how a service becomes one, and reading its command
// back. Words are written in systemd's quoting: '%' doubled everywhere (no specifiers), '$'
// doubled in the arguments of ExecStart (no variables; systemd leaves the executable path and
// Environment= values as they are), double quotes around words with blanks or quote characters,
// C escapes inside for control characters and bytes that are not UTF-8 (a unit file line must be
// UTF-8).
#include <cstdio>
#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <unistd.h>

#include "platform/linux/service_manager_linux.h"
#include "text/utf.h"

namespace platform::servicelinux {
namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}

// A one-line value: control characters become blanks, '%' is doubled.
std::string UnitValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            out += ' ';
        else if (c == '%')
            out += "%%";
        else
            out += c;
    }
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads one escape after a backslash at text[i]; advances i past it.
bool ReadEscape(const std::string& text, std::size_t& i, std::string& word) {
    if (++i >= text.size())
        return false;
    char c = text[i++];
    switch (c) {
    case 'n':
        word += '\n';
        return true;
    case 't':
        word += '\t';
        return true;
    case 'r':
        word += '\r';
        return true;
    case 'x': {
        if (i + 1 >= text.size() || HexValue(text[i]) < 0 || HexValue(text[i + 1]) < 0)
            return false;
        word += static_cast<char>(HexValue(text[i]) * 16 + HexValue(text[i + 1]));
        i += 2;
        return true;
    }
    default:
        word += c; // \\, \", \', \<blank> and anything else stand for themselves
        return true;
    }
}

// Splits a command line in systemd's quoting into words; "$$" stands for '$' in all words but
// the first (the executable path), where systemd takes '$' as it is.
bool SplitWords(const std::string& text, std::vector<std::string>& words) {
    std::size_t i = 0;
    bool first = true;
    for (;;) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i >= text.size())
            return true;
        std::string word;
        char quote = 0;
        while (i < text.size() && (quote != 0 || !IsBlank(text[i]))) {
            char c = text[i];
            if (c == '\\') {
                if (!ReadEscape(text, i, word))
                    return false;
                continue;
            }
            if ((c == '%' || (c == '$' && !first)) && i + 1 < text.size() && text[i + 1] == c) {
                word += c;
                i += 2;
                continue;
            }
            if (quote == 0 && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c == quote) {
                quote = 0;
            } else {
                word += c;
            }
            ++i;
        }
        if (quote != 0)
            return false;
        words.push_back(std::move(word));
        first = false;
    }
}

bool HasControlCharacter(const std::string& text) {
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return true;
    }
    return false;
}

std::string Trimmed(const std::string& line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && (IsBlank(line[begin]) || line[begin] == '\r'))
        ++begin;
    while (end > begin && (IsBlank(line[end - 1]) || line[end - 1] == '\r'))
        --end;
    return line.substr(begin, end - begin);
}

} // namespace

bool IsValidServiceName(const std::string& name) {
    if (name.empty() || name.size() > 200 || name[0] == '.')
        return false;
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '.' || c == '@' || c == ':';
        if (!ok)
            return false;
    }
    return true;
}

std::string UnitFolder() {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else
        config = HomeFolder() + "/.config";
    if (config.back() != '/')
        config += '/';
    return config + "systemd/user/";
}

std::string UnitPath(const std::string& name) {
    return UnitFolder() + name + ".service";
}

std::string WantsLinkPath(const std::string& name) {
    return UnitFolder() + "default.target.wants/" + name + ".service";
}

std::string QuoteExecWord(const std::string& word) {
    return QuoteWord(word, true);
}

std::string QuoteExecPath(const std::string& path) {
    return QuoteWord(path, false);
}

std::string ProgramPathProblem(const std::string& path) {
    if (HasControlCharacter(path))
        return "systemd cannot run a program whose path holds a control character: " +
               QuoteExecPath(path);
    if (path.find('\\') != std::string::npos)
        return "systemd cannot run a program whose path holds a backslash: " + path;
    return {};
}

std::string EnvironmentProblem(const std::string& name, const std::string& value) {
    if (HasControlCharacter(value) || !IsValidUtf8(value))
        return "systemd cannot pass " + name +
               " on: its value holds a control character or is not UTF-8: " +
               QuoteWord(value, false);
    return {};
}

std::string QuoteWord(const std::string& word, bool variables) {
    std::string body;
    bool quote = word.empty();
    for (std::size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            std::size_t length = Utf8CharLength(word, i);
            if (length != 0) {
                body.append(word, i, length);
                i += length - 1;
                continue;
            }
        }
        switch (c) {
        case '%':
            body += "%%";
            break;
        case '$':
            body.append(variables ? 2 : 1, c);
            break;
        case '\\':
            body += "\\\\";
            break;
        case '"':
            body += "\\\"";
            quote = true;
            break;
        case '\'':
        case ' ':
        case ';':
            body += c;
            quote = true;
            break;
        default:
            if (u < 0x20 || u >= 0x7f) {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02x", u);
                body += escape;
                quote = true;
            } else {
                body += c;
            }
        }
    }
    return quote ? "\"" + body + "\"" : body;
}

std::string RenderUnit(const ServiceDefinition& definition, const UnitEnvironment& environment) {
    std::string exec = QuoteExecPath(definition.program);
    for (const std::string& argument : definition.arguments)
        exec += " " + QuoteExecWord(argument);
    std::string unit = "# " + UnitValue(definition.displayName) + "\n";
    unit += "[Unit]\nDescription=" + UnitValue(definition.description) + "\n\n";
    unit += "[Service]\nType=notify\nExecStart=" + exec + "\n";
    for (const auto& [name, value] : environment)
        unit += "Environment=" + QuoteWord(name + "=" + value, false) + "\n";
    // The start and the stop are awaited as long as without a service manager. A crash restarts
    // the server; an orderly end (also after an audio failure) does not.
    const std::string wait = std::to_string(kServiceWaitMs) + "ms";
    unit += "KillSignal=SIGTERM\nTimeoutStartSec=" + wait + "\nTimeoutStopSec=" + wait +
            "\nRestart=on-abnormal\nRestartSec=2\n\n";
    unit += "[Install]\nWantedBy=default.target\n";
    return unit;
}

bool ParseExecStart(const std::string& unitText, std::vector<std::string>& words) {
    words.clear();
    bool inService = false;
    std::size_t start = 0;
    while (start < unitText.size()) {
        std::size_t end = unitText.find('\n', start);
        if (end == std::string::npos)
            end = unitText.size();
        std::string line = Trimmed(unitText.substr(start, end - start));
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inService = line == "[Service]";
            continue;
        }
        constexpr std::string_view kKey = "ExecStart=";
        if (!inService || line.compare(0, kKey.size(), kKey) != 0)
            continue;
        std::string command = line.substr(kKey.size());
        // Prefixes that change how systemd runs the program do not belong to the path.
        std::size_t first = 0;
        while (first < command.size() &&
               std::string_view("-@:+!").find(command[first]) != std::string_view::npos)
            ++first;
        return SplitWords(command.substr(first), words) && !words.empty();
    }
    return false;
}

} // namespace platform::servicelinux
