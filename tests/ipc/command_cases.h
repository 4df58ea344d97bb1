// Every command of the protocol with its request bytes written out by hand, the handler call
// the server must make of them, and the client method that sends it.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "ipc/pnipc_cli.h"
#include "ipc/pnipc_cmds.h"

using ByteList = std::vector<std::uint8_t>;

inline ByteList Cat(std::initializer_list<ByteList> parts) {
    ByteList out;
    for (const ByteList& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline ByteList Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// An ASCII text as UTF-16LE with its terminating zero.
inline ByteList AsciiZ(const std::string& text) {
    ByteList out;
    for (char c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

struct CommandCase {
    std::uint32_t code;
    ByteList request;
    std::string call;
    std::function<bool(PnIpcCli&)> send;
};

inline std::vector<CommandCase> AllCommandCases() {
    // "Frosch-é😀": é = U+00E9, 😀 = U+1F600 = D83D DE00.
    const ByteList frogName = Cat({{'F', 0, 'r', 0, 'o', 0, 's', 0, 'c', 0, 'h', 0, '-', 0},
                                   {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0, 0}});
    const std::string frogText = "Frosch-\xC3\xA9\xF0\x9F\x98\x80";
    return {
        {kCmdSrvUpdate, {}, "SrvUpdate()", [](PnIpcCli& c) { return c.SrvUpdate(); }},
        {kCmdSrvGetErrors,
         {},
         "SrvGetErrors()",
         [](PnIpcCli& c) {
             std::vector<std::string> errors;
             return c.SrvGetErrors(errors);
         }},
        {kCmdMonitorSet, {1}, "MonitorSet(1)", [](PnIpcCli& c) { return c.MonitorSet(true); }},
        {kCmdMonitorSetVol,
         {200},
         "MonitorSetVol(200)",
         [](PnIpcCli& c) { return c.MonitorSetVol(200); }},
        {kCmdCliOnStarted, {}, "CliOnStarted()", [](PnIpcCli& c) { return c.CliOnStarted(); }},
        {kCmdCliOnClose, {}, "CliOnClose()", [](PnIpcCli& c) { return c.CliOnClose(); }},
        {kCmdEffectSetActive,
         {2, 0, 0, 0},
         "EffectSetActive(2)",
         [](PnIpcCli& c) { return c.EffectSetActive(2); }},
        {kCmdEffectSelect, Cat({{1, 0, 0, 0}, frogName}), "EffectSelect(1," + frogText + ")",
         [frogText](PnIpcCli& c) { return c.EffectSelect(1, frogText); }},
        {kCmdBackSoundSetActive,
         {0xFF, 0xFF, 0xFF, 0xFF},
         "BackSoundSetActive(-1)",
         [](PnIpcCli& c) { return c.BackSoundSetActive(-1); }},
        {kCmdBackSoundSelect, Cat({{2, 0, 0, 0}, AsciiZ("rain.wav")}),
         "BackSoundSelect(2,rain.wav)",
         [](PnIpcCli& c) { return c.BackSoundSelect(2, "rain.wav"); }},
        {kCmdBackSoundSetVol,
         {1, 0, 0, 0, 150},
         "BackSoundSetVol(1,150)",
         [](PnIpcCli& c) { return c.BackSoundSetVol(1, 150); }},
        {kCmdEmoticPlay,
         {59, 0, 0, 0},
         "EmoticPlay(59)",
         [](PnIpcCli& c) { return c.EmoticPlay(59); }},
        {kCmdEmoticStop,
         {0x34, 0x12, 0, 0},
         "EmoticStop(4660)",
         [](PnIpcCli& c) { return c.EmoticStop(0x1234); }},
        {kCmdEmoticSelect, Cat({{7, 0, 0, 0}, AsciiZ("")}), "EmoticSelect(7,)",
         [](PnIpcCli& c) { return c.EmoticSelect(7, ""); }},
        {kCmdEmoticStopAll, {}, "EmoticStopAll()", [](PnIpcCli& c) { return c.EmoticStopAll(); }},
        {kCmdEmoticsStatus,
         {},
         "EmoticsStatus()",
         [](PnIpcCli& c) {
             std::vector<bool> playing;
             return c.EmoticsStatus(playing);
         }},
    };
}
