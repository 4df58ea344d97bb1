// SpectroEditor: Spectro's editor window. Opened by the host inside its own X11 window, it shows
// the effect's parameters on sliders, value displays, option menus and the Freeze button, and
// sends the user's changes to the effect as automated parameter changes.
//
// The host calls getRect, open, idle and close from its window thread. Until the first idle
// after an open (hosts that never idle) a thread of the editor's own handles the window; the
// first idle stops it. setParameter may come from any thread, the processing one included.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "effect_base.h"
#include "spectro_controls.h"
#include "widgets.h"
#include "xcb_window.h"

namespace spectro {

class Canvas;
class Frame;

class SpectroEditor : public EffectEditor, private ControlListener {
public:
    static constexpr int kParameters = 6;

    explicit SpectroEditor(EffectBase* effect);
    ~SpectroEditor() override;

    // 300 x 250 at the origin. Any thread.
    intptr_t getRect(ERect** rect) override;
    // window: the host's X11 window id. 1 when the editor shows in it. Host's window thread.
    intptr_t open(void* window) override;
    // Destroys the window and closes the display connection. Host's window thread.
    void close() override;
    // Handles the window's events and draws what changed. Host's window thread.
    void idle() override;

    // Stores the value of a parameter the effect just took; an open window shows it on its next
    // idle. Any thread; real-time safe (atomic stores only, no X calls).
    void setParameter(std::int32_t index, float value);

private:
    void valueChanged(Control& control) override;
    void beginEdit(Control& control) override;
    void endEdit(Control& control) override;

    void build();
    void show(int parameter, float value);
    void handle(const WindowEvent& event);
    // Events, parameter changes, drawing: one round of the window's work.
    void service();
    void startThread();
    void stopThread();

    ERect rect_{0, 0, 250, 300};
    std::atomic<float> values_[kParameters];
    std::atomic<std::uint32_t> changed_{0}; // one bit per parameter

    XcbWindow window_;
    std::unique_ptr<Canvas> canvas_;
    std::unique_ptr<Frame> frame_;
    Control* controls_[kControlCount] = {};

    std::thread thread_;
    std::atomic<bool> stop_{false};
    int wake_ = -1;
};

} // namespace spectro
