#include "ctl_args.h"

#include <charconv>
#include <cstdint>

#include "text/utf.h"

namespace voxwarpctl {
namespace {

constexpr const char* kSeeHelp = " (voxwarpctl --help lists the commands)";

// The words of a command: "fun play" -> {"fun", "play"}.
std::vector<std::string> Words(const char* words) {
    std::vector<std::string> out;
    std::string text = words;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// A whole number written with decimal digits only; false for anything else or above max.
bool ParseNumber(const std::string& text, int max, int& value) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value <= max;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// Checks and converts one argument; on failure returns false with the reason in error.
bool ConvertArg(CtlArg kind, const std::string& text, std::size_t requestBytes, CtlValue& value,
                std::string& error) {
    int number = 0;
    switch (kind) {
    case CtlArg::OnOff:
        if (text == "on" || text == "off") {
            value.number = text == "on" ? 1 : 0;
            return true;
        }
        error = "expected on or off, not " + Quoted(text);
        return false;
    case CtlArg::Volume:
        if (ParseNumber(text, 100, number)) {
            value.number = number;
            return true;
        }
        error = "N must be a number from 0 to 100, not " + Quoted(text);
        return false;
    case CtlArg::SlotOrOff:
        if (text == "off") {
            value.number = -1;
            return true;
        }
        if (ParseNumber(text, kCtlSlots, number) && number >= 1) {
            value.number = number - 1;
            return true;
        }
        error = "SLOT must be 1 to 3 or off, not " + Quoted(text);
        return false;
    case CtlArg::Slot:
        if (ParseNumber(text, kCtlSlots, number) && number >= 1) {
            value.number = number - 1;
            return true;
        }
        error = "SLOT must be 1 to 3, not " + Quoted(text);
        return false;
    case CtlArg::FunSlot:
        if (ParseNumber(text, 60, number) && number >= 1) {
            value.number = number - 1;
            return true;
        }
        error = "SLOT must be 1 to 60, not " + Quoted(text);
        return false;
    case CtlArg::Name:
    case CtlArg::File: {
        // The server receives the text as UTF-16 with a terminating zero.
        std::u16string wide = Utf8ToUtf16(text);
        if (Utf16ToUtf8(wide) != text) {
            error = std::string(CtlArgUsage(kind)) + " is not valid UTF-8";
            return false;
        }
        if (requestBytes + 2 * (wide.size() + 1) > kIpcMaxPayload) {
            error = std::string(CtlArgUsage(kind)) + " is too long";
            return false;
        }
        value.text = text;
        return true;
    }
    case CtlArg::None:
        break;
    }
    error = "unexpected argument " + Quoted(text);
    return false;
}

// Bytes that an argument of this kind takes in the request before any text.
std::size_t FixedRequestBytes(CtlArg kind) {
    switch (kind) {
    case CtlArg::OnOff:
    case CtlArg::Volume:
        return 1;
    case CtlArg::SlotOrOff:
    case CtlArg::Slot:
    case CtlArg::FunSlot:
        return 4;
    default:
        return 0;
    }
}

CtlInvocation Invalid(std::string error) {
    CtlInvocation invocation;
    invocation.kind = CtlInvocation::Kind::Invalid;
    invocation.error = std::move(error);
    return invocation;
}

// The command whose words start args at pos (the one with most words), or nullptr.
const CtlCommand* FindCommand(const std::vector<std::string>& args, std::size_t pos,
                              std::size_t& wordCount) {
    const CtlCommand* found = nullptr;
    wordCount = 0;
    for (const CtlCommand& command : CtlCommands()) {
        std::vector<std::string> words = Words(command.words);
        if (words.size() <= wordCount || args.size() - pos < words.size())
            continue;
        bool match = true;
        for (std::size_t i = 0; i < words.size() && match; ++i)
            match = args[pos + i] == words[i];
        if (match) {
            found = &command;
            wordCount = words.size();
        }
    }
    return found;
}

// True when word starts a command of several words ("fun").
bool IsCommandGroup(const std::string& word) {
    for (const CtlCommand& command : CtlCommands()) {
        std::vector<std::string> words = Words(command.words);
        if (words.size() > 1 && words[0] == word)
            return true;
    }
    return false;
}

} // namespace

CtlInvocation ParseCtlArgs(const std::vector<std::string>& args) {
    CtlInvocation invocation;
    std::size_t pos = 0;
    for (; pos < args.size() && !args[pos].empty() && args[pos][0] == '-'; ++pos) {
        const std::string& option = args[pos];
        if (option == "--help" || option == "-h") {
            invocation.kind = CtlInvocation::Kind::Help;
            return invocation;
        }
        if (option == "--base" || option.rfind("--base=", 0) == 0) {
            std::string base;
            if (option == "--base") {
                if (pos + 1 >= args.size())
                    return Invalid("--base needs a name");
                base = args[++pos];
            } else {
                base = option.substr(7);
            }
            if (base.empty())
                return Invalid("--base needs a name");
            invocation.base = base;
            continue;
        }
        return Invalid("unknown option " + Quoted(option) + kSeeHelp);
    }
    if (pos == args.size())
        return Invalid(std::string("no command given") + kSeeHelp);

    std::size_t wordCount = 0;
    const CtlCommand* command = FindCommand(args, pos, wordCount);
    if (command == nullptr) {
        if (IsCommandGroup(args[pos]) && pos + 1 == args.size())
            return Invalid(Quoted(args[pos]) + " needs a subcommand" + kSeeHelp);
        std::string typed = args[pos];
        if (IsCommandGroup(args[pos]))
            typed += " " + args[pos + 1];
        return Invalid("unknown command " + Quoted(typed) + kSeeHelp);
    }
    pos += wordCount;

    std::string prefix = std::string(command->words) + ": ";
    std::size_t requestBytes = 0;
    for (CtlArg kind : command->args) {
        if (kind == CtlArg::None)
            break;
        if (pos == args.size())
            return Invalid(prefix + "missing " + CtlArgUsage(kind) + " (usage: voxwarpctl " +
                           CtlCommandUsage(*command) + ")");
        CtlValue value;
        std::string error;
        if (!ConvertArg(kind, args[pos], requestBytes, value, error))
            return Invalid(prefix + error);
        requestBytes += FixedRequestBytes(kind);
        invocation.values.push_back(std::move(value));
        ++pos;
    }
    if (pos < args.size())
        return Invalid(prefix + "unexpected argument " + Quoted(args[pos]) +
                       " (usage: voxwarpctl " + CtlCommandUsage(*command) + ")");

    invocation.kind = CtlInvocation::Kind::Send;
    invocation.command = command;
    return invocation;
}

} // namespace voxwarpctl
