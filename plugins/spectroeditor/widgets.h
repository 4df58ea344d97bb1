// The editor's small widget toolkit: controls with a rectangle, a tag and a value 0..1 (a menu's
// value is its entry index) that draw themselves on a Canvas and tell a listener when the user
// changes them. The frame (frame.h) owns them and hands them the mouse and the keys.
// Host's window thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"

namespace spectro {

class Control;
class Frame;

// Told of every change the user makes; the edit calls bracket a drag or a key press.
class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(Control& control) = 0;
    virtual void beginEdit(Control& control) { (void)control; }
    virtual void endEdit(Control& control) { (void)control; }
};

// Keys the controls understand, whatever the keyboard.
enum class Key { Up, Down, PageUp, PageDown, Home, End, Activate, Escape };

class Control {
public:
    Control(const Rect& rect, int tag, ControlListener& listener)
        : rect_(rect), tag_(tag), listener_(listener) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const Rect& rect() const { return rect_; }
    int tag() const { return tag_; }
    float value() const { return value_; }
    // Shows a value that did not come from the user (the listener is not told); asks the frame
    // for a redraw when it changed.
    void setValue(float value);
    // Under the mouse (or held by it): drawn in the lighter mouse-over look where it has one.
    bool hovered() const { return hovered_; }
    void setHovered(bool hovered);

    virtual void draw(Canvas& canvas) const = 0;
    virtual bool takesFocus() const { return true; }
    // The mouse: a press inside the control (reset: the press asks for the default value), the
    // pointer moving while that button is held, and its release.
    virtual void mouseDown(int x, int y, bool reset) { (void)x, (void)y, (void)reset; }
    virtual void mouseMoved(int x, int y) { (void)x, (void)y; }
    virtual void mouseUp() {}
    // A wheel turn over the control (steps > 0 up) and a key while it has the focus; true when
    // it used them.
    virtual bool wheel(int steps) { return (void)steps, false; }
    virtual bool key(Key key) { return (void)key, false; }

    void attach(Frame* frame) { frame_ = frame; }

protected:
    // A change by the user: shown, and told to the listener, bracketed by an edit.
    void userChange(float value);
    void userEdit(float value);
    Frame* frame() const { return frame_; }
    ControlListener& listener() { return listener_; }

private:
    Rect rect_;
    int tag_;
    float value_ = 0;
    bool hovered_ = false;
    ControlListener& listener_;
    Frame* frame_ = nullptr;
};

// A vertical slider: a track picture with a handle whose top travels from handleTop (value 1)
// to handleBottom (value 0), both in window pixels.
class VerticalSlider : public Control {
public:
    // handle[0] is the handle's picture, handle[1] the same under the mouse.
    VerticalSlider(const Rect& rect, int tag, ControlListener& listener, const art::Picture& track,
                   const art::Picture* const handle[2], int handleTop, int handleBottom,
                   float defaultValue);
    void draw(Canvas& canvas) const override;
    void mouseDown(int x, int y, bool reset) override;
    void mouseMoved(int x, int y) override;
    void mouseUp() override;
    bool wheel(int steps) override;
    bool key(Key key) override;

    int handleTopNow() const;

private:
    void step(float amount);

    const art::Picture& track_;
    const art::Picture& handle_;
    const art::Picture& handleHover_;
    int handleTop_;
    int handleBottom_;
    float default_;
    int grab_ = 0; // where in the handle the mouse holds it
    bool dragging_ = false;
};

// A value display: a background and the value as text.
class ValueDisplay : public Control {
public:
    using ToText = std::function<std::string(float)>;
    ValueDisplay(const Rect& rect, int tag, ControlListener& listener, const art::Picture& face,
                 const art::Font& font, std::uint32_t textColor, ToText toText);
    void draw(Canvas& canvas) const override;
    bool takesFocus() const override { return false; }
    std::string text() const { return toText_(value()); }

private:
    const art::Picture& face_;
    const art::Font& font_;
    std::uint32_t textColor_;
    ToText toText_;
};

// An option menu: its face shows the current entry; a click opens the frame's list of entries.
class OptionMenu : public Control {
public:
    // face[0] is the closed face, face[1] the same under the mouse.
    OptionMenu(const Rect& rect, int tag, ControlListener& listener,
               const art::Picture* const face[2], const art::Font& font, std::uint32_t textColor,
               const Rect& textBox, std::vector<std::string> entries);
    void draw(Canvas& canvas) const override;
    void mouseDown(int x, int y, bool reset) override;
    bool wheel(int steps) override;
    bool key(Key key) override;

    const std::vector<std::string>& entries() const { return entries_; }
    // The current entry, -1 when the value names none.
    int index() const;
    // The user chose an entry (from the list).
    void choose(int index);

private:
    const art::Picture& face_;
    const art::Picture& faceHover_;
    const art::Font& font_;
    std::uint32_t textColor_;
    Rect textBox_; // relative to the face
    std::vector<std::string> entries_;
};

// An on/off button: a picture of two states stacked, off above on.
class OnOffButton : public Control {
public:
    // states[0]: off above on; states[1]: the same under the mouse.
    OnOffButton(const Rect& rect, int tag, ControlListener& listener,
                const art::Picture* const states[2]);
    void draw(Canvas& canvas) const override;
    void mouseDown(int x, int y, bool reset) override;
    bool key(Key key) override;
    bool on() const { return value() >= 0.5f; }

private:
    const art::Picture& states_;
    const art::Picture& statesHover_;
};

// A splash area: a click shows an image over the window until the next click.
class SplashArea : public Control {
public:
    SplashArea(const Rect& rect, int tag, ControlListener& listener, const art::Picture& image,
               const Rect& shownAt);
    void draw(Canvas& canvas) const override { (void)canvas; }
    void mouseDown(int x, int y, bool reset) override;
    bool key(Key key) override;
    const art::Picture& image() const { return image_; }
    const Rect& shownAt() const { return shownAt_; }

private:
    const art::Picture& image_;
    Rect shownAt_;
};

} // namespace spectro
