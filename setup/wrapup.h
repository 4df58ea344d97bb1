// Wrapup, the setup finalizer: run once by the installer, in the installation folder, it copies
// the partner and web values from the installer's version strings into config.ini and leaves
// the affiliate identifier in affiliate.txt. It reports only through its exit code.
#pragma once

#include <string>
#include <string_view>

constexpr int kWrapupSuccess = 0;
constexpr int kWrapupNoCurrentFolder = -100;
constexpr int kWrapupNoVersionStrings = -1;
constexpr int kWrapupAffiliateNotWritten = -2;
// All bits but the three lowest: or-ed into the exit code, it gives -8 or keeps -2.
constexpr int kWrapupConfigNotSaved = -8;

// The companion program's folder below the installation folder; it gets a copy of affiliate.txt.
constexpr const char* kCompanionFolder = "companion";

// Runs Wrapup with the current folder as the installation folder. commandLine names the
// program file whose version strings carry the values. Returns the exit code.
int RunWrapup(std::string_view commandLine);

// Runs Wrapup with installFolder (ending in '/') as the installation folder.
int RunWrapupIn(const std::string& installFolder, std::string_view commandLine);
