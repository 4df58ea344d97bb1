#include "command_line.h"

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

std::string PathFromCommandLine(std::string_view commandLine) {
    const size_t open = commandLine.find('"');
    if (open == std::string_view::npos)
        return std::string(commandLine);
    const std::string_view rest = commandLine.substr(open + 1);
    return std::string(rest.substr(0, rest.find('"')));
}
