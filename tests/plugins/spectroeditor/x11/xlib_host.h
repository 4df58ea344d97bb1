// A minimal plug-in host for editor tests: plain Xlib, no toolkit. It makes a top-level window
// on $DISPLAY, opens the plug-in's editor inside it, idles it, clicks and drags through XTEST
// (xdotool) and reads the window's pixels back. It records what the plug-in tells its host.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "effect/aeffect.h"

class XlibHost {
public:
    // Creates the effect through entry (the plug-in's entry point) and a mapped top-level
    // window of width x height.
    XlibHost(AEffectEntryProc entry, int width = 300, int height = 250);
    ~XlibHost();
    XlibHost(const XlibHost&) = delete;
    XlibHost& operator=(const XlibHost&) = delete;

    AEffect* effect() const { return effect_; }
    Display* display() const { return display_; }
    Window window() const { return window_; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0);

    // effEditOpen into the window (1 when the plug-in did), effEditIdle, effEditClose.
    intptr_t openEditor();
    void idle();
    void closeEditor();
    // Idles every 10 ms until done() holds or the time passed; what done() said last.
    bool idleUntil(const std::function<bool()>& done, int milliseconds = 2000);

    // XTEST input at window pixels: the pointer moves there first and rests at the window's
    // top-left corner after.
    void click(int x, int y);
    void drag(int x, int y, int toX, int toY);
    // Moves the pointer there and leaves it.
    void point(int x, int y);
    // Key presses (xdotool key names) to the window that has the keyboard.
    void keys(const std::string& names);

    // The window's pixels as 0x00RRGGBB, children included.
    std::vector<std::uint32_t> grab() const;
    // Destroys the host window behind the plug-in's back.
    void destroyWindow();
    // Child windows the host window has now.
    int childWindows() const;

    // What the plug-in told the host: automated values, and "begin N" / "end N" edits in order.
    struct Automation {
        int32_t index;
        float value;
    };
    std::vector<Automation> automated() const;
    std::vector<std::string> edits() const;

private:
    static intptr_t Callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);

    Display* display_ = nullptr;
    Window window_ = 0;
    int width_;
    int height_;
    AEffect* effect_ = nullptr;
    mutable std::mutex lock_; // the plug-in may call back from its own threads
    std::vector<Automation> automated_;
    std::vector<std::string> edits_;
};
