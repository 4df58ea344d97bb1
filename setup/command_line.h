// Wrapup's command line: the path of the program file whose version strings carry the values.
#pragma once

#include <string>
#include <string_view>

// The command line after the program name: the arguments joined by single blanks, as the
// installer wrote them on one line.
std::string JoinArguments(int argc, const char* const* argv);

// The path named by the command line: the text between the first and the second double quote;
// without any double quote the whole line; with only one, everything after it.
std::string PathFromCommandLine(std::string_view commandLine);
