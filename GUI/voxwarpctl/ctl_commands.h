// voxwarpctl's commands: one table entry per command with its words, its arguments, a one-line
// description and the protocol command it sends. A new command is one new entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ipc/pnipc_cli.h"

namespace voxwarpctl {

// What one argument must be, and the value it becomes.
enum class CtlArg {
    None,
    OnOff,     // "on" or "off" -> 1 or 0
    Volume,    // 0..100 -> the same number
    SlotOrOff, // effect or background slot 1..3 -> 0..2; "off" -> -1
    Slot,      // effect or background slot 1..3 -> 0..2
    FunSlot,   // fun sound slot 1..60 -> 0..59
    Name,      // any text (an effect name; "" empties the slot)
    File,      // any text (a file name; "" empties the slot)
};

constexpr int kCtlSlots = 3;
constexpr std::size_t kMaxCtlArgs = 2;

// One converted argument: number for the numeric kinds, text for Name and File.
struct CtlValue {
    std::int32_t number = 0;
    std::string text;
};
using CtlValues = std::vector<CtlValue>;

struct CtlCommand {
    const char* words; // what the user types, "fun play"
    std::array<CtlArg, kMaxCtlArgs> args;
    const char* description;
    std::uint32_t code; // the protocol command it sends
};

std::span<const CtlCommand> CtlCommands();

// Sends the protocol command of code with the converted arguments as its request parameters
// and appends what is to be printed of the answer to out. False when the server did not
// answer.
bool SendCtlCommand(PnIpcCli& client, std::uint32_t code, const CtlValues& values,
                    std::string& out);

// How an argument kind is shown in the usage ("SLOT|off").
const char* CtlArgUsage(CtlArg kind);
// "fun play SLOT"
std::string CtlCommandUsage(const CtlCommand& command);
// One line of the --help text: "  USAGE<padding>DESCRIPTION\n", the description at column.
std::string CtlHelpLine(const std::string& usage, const char* description, std::size_t column);
// The whole --help text.
std::string CtlHelpText();

// Answer texts: one error per line; the playing fun slots numbered from 1, one per line.
std::string FormatErrors(const std::vector<std::string>& errors);
std::string FormatFunStatus(const std::vector<bool>& playing);

} // namespace voxwarpctl
