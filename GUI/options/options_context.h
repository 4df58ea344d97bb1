// What the options pages share, owned by the sheet: the working copy of the configuration, the
// running configuration it came from, the one test stream of all pages, the voice server, and
// the modified flag that makes Apply active.
#pragma once

class AppConfig;
class OptionsServer;
class TestStream;

struct OptionsContext {
    AppConfig& working;
    AppConfig& running;
    TestStream& testStream;
    OptionsServer& server;
    // The most used fun sounds the main window's list can show.
    int maxFunSounds = 60;
    // Set by every change on any page, cleared by Apply.
    bool modified = false;
};
