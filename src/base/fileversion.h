// The version strings of a program file, as the programs show and compare them (the server's
// version in the configuration, the version line of the log).
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The strings of one program file. The twelve texts are in the standard order of version
// strings; a string the file does not carry is empty.
struct FileVersionRecord {
    std::string comments;
    std::string companyName;
    std::string fileDescription;
    std::string fileVersion;
    std::string internalName;
    std::string legalCopyright;
    std::string legalTrademarks;
    std::string originalFilename;
    std::string productName;
    std::string productVersion;
    std::string privateBuild;
    std::string specialBuild;
    // "ProductVersion" and "FileVersion" as four numbers, and those as "%u.%u.%u.%u".
    std::string productVersionText;
    std::string fileVersionText;
    std::array<uint16_t, 4> productVersionNumbers{};
    std::array<uint16_t, 4> fileVersionNumbers{};
};

// Reads the version strings of the program file at path into record. Returns 0, or an error
// code: 2 (ENOENT) when the path does not exist, ENODATA when the file carries no version
// strings, ENOEXEC when it is not a program file, or the error of opening or reading it. On
// failure every text of the record is empty and every number 0. language and codePage are
// accepted for the callers' sake; a program file carries one set of strings.
int GetFileVersionStrings(const std::string& path, unsigned language, unsigned codePage,
                          FileVersionRecord& record);

// The FileVersion string of the running program; empty when it carries none.
std::string ThisProgramFileVersion();

// Splits a version text into four 16-bit numbers: tokens separated by '.' or ',', each read as a
// decimal integer (leading blanks and a sign allowed, reading stops at the first other
// character, the value is cut to 16 bits); missing tokens give 0, tokens after the fourth are
// ignored.
std::array<uint16_t, 4> SplitVersionNumbers(const std::string& text);
