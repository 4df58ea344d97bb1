// Frame: the editor window's contents. A background picture and the controls on it, an option
// menu's open list and a shown splash drawn over them, the keyboard focus, and the part of the
// window that needs drawing again. It takes the window's mouse and key input in window pixels.
// Host's window thread only.
#pragma once

#include <memory>
#include <vector>

#include "widgets.h"

namespace spectro {

class Frame {
public:
    // Colours of the open list and the focus mark.
    struct Style {
        const art::Font* listFont;
        std::uint32_t listBackground, listBorder, listHover, listText, accent, focus;
    };
    Frame(const art::Picture& background, const Style& style);

    // Takes a control; the controls are drawn and hit in the order they were added.
    Control& add(std::unique_ptr<Control> control);
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

    // Input, in window pixels. A press ends a shown splash or an open list first.
    void mouseDown(int x, int y, bool reset);
    void mouseMoved(int x, int y);
    void mouseUp(int x, int y);
    // The pointer left the window: nothing is under it (a held control stays lit).
    void mouseLeft();
    void wheel(int x, int y, int steps);
    // Tab and Shift+Tab move the focus; the other keys go to the open list or the focused
    // control. True when the key was used.
    bool focusNext(bool backwards);
    bool key(Key key);
    // The window lost the keyboard: the focus mark goes (an open list stays: taking the focus
    // with a click sends the window a focus-out first).
    void focusLost();

    // What the controls call.
    void invalidate(const Rect& r);
    void openList(OptionMenu& menu);
    void showSplash(SplashArea& splash);

    bool listOpen() const { return list_ != nullptr; }
    bool splashShown() const { return splash_ != nullptr; }
    // Where the open list is; its entries are rows of listRowHeight() below a 1 px border.
    Rect listRect() const;
    int listRowHeight() const;

    // Draws everything; returns and forgets the part that changed since the last call.
    void paint(Canvas& canvas) const;
    Rect takeDirty();

private:
    Control* controlAt(int x, int y) const;
    // The control under the mouse, drawn lit; null for none.
    void hover(Control* control);
    int listRowAt(int x, int y) const;
    void closeList();
    void drawList(Canvas& canvas) const;

    const art::Picture& background_;
    Style style_;
    std::vector<std::unique_ptr<Control>> controls_;
    Control* pressed_ = nullptr;
    Control* hovered_ = nullptr;
    OptionMenu* list_ = nullptr;
    int listHover_ = -1;
    bool listFromPress_ = false; // the open list came with the press that is still held
    SplashArea* splash_ = nullptr;
    int focus_ = -1; // index into controls_
    bool showFocus_ = false;
    Rect dirty_{};
};

} // namespace spectro
