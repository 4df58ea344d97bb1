#include "frame.h"

#include <algorithm>

namespace spectro {

namespace {

Rect Union(const Rect& a, const Rect& b) {
    if (a.Width() <= 0 || a.Height() <= 0)
        return b;
    if (b.Width() <= 0 || b.Height() <= 0)
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect Grow(const Rect& r, int by) {
    return {r.left - by, r.top - by, r.right + by, r.bottom + by};
}

} // namespace

Frame::Frame(const art::Picture& background, const Style& style)
    : background_(background), style_(style), dirty_{0, 0, background.width, background.height} {}

Control& Frame::add(std::unique_ptr<Control> control) {
    control->attach(this);
    controls_.push_back(std::move(control));
    invalidate(controls_.back()->rect());
    return *controls_.back();
}

void Frame::invalidate(const Rect& r) {
    dirty_ = Union(dirty_, r);
}

Rect Frame::takeDirty() {
    const Rect clipped{std::max(dirty_.left, 0), std::max(dirty_.top, 0),
                       std::min(dirty_.right, background_.width),
                       std::min(dirty_.bottom, background_.height)};
    dirty_ = {};
    return clipped.Width() > 0 && clipped.Height() > 0 ? clipped : Rect{};
}

Control* Frame::controlAt(int x, int y) const {
    for (const auto& control : controls_)
        if (control->rect().Contains(x, y))
            return control.get();
    return nullptr;
}

int Frame::listRowHeight() const {
    return style_.listFont->height + 6;
}

Rect Frame::listRect() const {
    if (list_ == nullptr)
        return {};
    const Rect& menu = list_->rect();
    int width = menu.Width();
    for (const std::string& entry : list_->entries())
        width = std::max(width, Canvas::TextWidth(*style_.listFont, entry) + 20);
    const int height = static_cast<int>(list_->entries().size()) * listRowHeight() + 2;
    // Below the menu, or above it when the window ends first; never outside the window.
    int top = menu.bottom + 1;
    if (top + height > background_.height)
        top = std::max(0, menu.top - 1 - height);
    const int left = std::clamp(menu.left, 0, std::max(0, background_.width - width));
    return {left, top, left + width, top + height};
}

int Frame::listRowAt(int x, int y) const {
    const Rect r = listRect();
    if (!r.Contains(x, y) || y < r.top + 1 || y >= r.bottom - 1)
        return -1;
    const int row = (y - r.top - 1) / listRowHeight();
    return row < static_cast<int>(list_->entries().size()) ? row : -1;
}

void Frame::hover(Control* control) {
    if (control == hovered_)
        return;
    if (hovered_ != nullptr)
        hovered_->setHovered(false);
    hovered_ = control;
    if (control != nullptr)
        control->setHovered(true);
}

void Frame::mouseLeft() {
    if (pressed_ == nullptr)
        hover(nullptr);
}

void Frame::openList(OptionMenu& menu) {
    closeList();
    hover(nullptr);
    list_ = &menu;
    listHover_ = menu.index();
    invalidate(listRect());
}

void Frame::closeList() {
    if (list_ == nullptr)
        return;
    invalidate(listRect());
    list_ = nullptr;
    listHover_ = -1;
    listFromPress_ = false;
}

void Frame::showSplash(SplashArea& splash) {
    closeList();
    hover(nullptr);
    splash_ = &splash;
    invalidate(splash.shownAt());
}

void Frame::mouseDown(int x, int y, bool reset) {
    if (splash_ != nullptr) {
        invalidate(splash_->shownAt());
        splash_ = nullptr;
        return;
    }
    if (list_ != nullptr) {
        const int row = listRowAt(x, y);
        OptionMenu* menu = list_;
        const bool onMenu = menu->rect().Contains(x, y);
        closeList();
        if (row >= 0)
            menu->choose(row);
        if (row >= 0 || onMenu)
            return; // a click on the menu again only closes its list
    }
    Control* control = controlAt(x, y);
    if (control == nullptr)
        return;
    const auto found = std::find_if(controls_.begin(), controls_.end(),
                                    [control](const auto& c) { return c.get() == control; });
    if (control->takesFocus() && focus_ != static_cast<int>(found - controls_.begin())) {
        if (showFocus_ && focus_ >= 0)
            invalidate(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2));
        focus_ = static_cast<int>(found - controls_.begin());
        showFocus_ = false;
    }
    pressed_ = control;
    control->mouseDown(x, y, reset);
    listFromPress_ = list_ != nullptr;
}

void Frame::mouseMoved(int x, int y) {
    if (list_ == nullptr && splash_ == nullptr)
        hover(pressed_ != nullptr ? pressed_ : controlAt(x, y));
    if (list_ != nullptr) {
        const int row = listRowAt(x, y);
        if (row != listHover_ && (row >= 0 || !listFromPress_)) {
            listHover_ = row;
            invalidate(listRect());
        }
        return;
    }
    if (pressed_ != nullptr)
        pressed_->mouseMoved(x, y);
}

void Frame::mouseUp(int x, int y) {
    if (list_ != nullptr && listFromPress_) {
        // Press on the menu, drag to an entry, release: that entry.
        listFromPress_ = false;
        const int row = listRowAt(x, y);
        if (row >= 0) {
            OptionMenu* menu = list_;
            closeList();
            menu->choose(row);
        }
    }
    if (pressed_ != nullptr) {
        pressed_->mouseUp();
        pressed_ = nullptr;
    }
    hover(list_ == nullptr && splash_ == nullptr ? controlAt(x, y) : nullptr);
}

void Frame::wheel(int x, int y, int steps) {
    if (list_ != nullptr || splash_ != nullptr)
        return;
    if (Control* control = controlAt(x, y))
        control->wheel(steps);
}

bool Frame::focusNext(bool backwards) {
    if (list_ != nullptr || splash_ != nullptr)
        return true;
    const int count = static_cast<int>(controls_.size());
    if (count == 0)
        return false;
    if (focus_ >= 0)
        invalidate(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2));
    int next = focus_;
    for (int tries = 0; tries < count; ++tries) {
        next = backwards ? (next <= 0 ? count - 1 : next - 1) : (next + 1) % count;
        if (controls_[static_cast<std::size_t>(next)]->takesFocus())
            break;
    }
    focus_ = next;
    showFocus_ = true;
    invalidate(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2));
    return true;
}

bool Frame::key(Key key) {
    if (splash_ != nullptr) {
        if (key == Key::Escape || key == Key::Activate) {
            invalidate(splash_->shownAt());
            splash_ = nullptr;
            return true;
        }
        return false;
    }
    if (list_ != nullptr) {
        const int last = static_cast<int>(list_->entries().size()) - 1;
        switch (key) {
        case Key::Up:
            listHover_ = std::max(0, listHover_ - 1);
            break;
        case Key::Down:
            listHover_ = std::min(last, listHover_ + 1);
            break;
        case Key::Home:
        case Key::PageUp:
            listHover_ = 0;
            break;
        case Key::End:
        case Key::PageDown:
            listHover_ = last;
            break;
        case Key::Activate: {
            OptionMenu* menu = list_;
            const int row = listHover_;
            closeList();
            menu->choose(row);
            return true;
        }
        case Key::Escape:
            closeList();
            return true;
        }
        invalidate(listRect());
        return true;
    }
    if (focus_ < 0)
        return false;
    if (!showFocus_) {
        showFocus_ = true;
        invalidate(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2));
    }
    return controls_[static_cast<std::size_t>(focus_)]->key(key);
}

void Frame::focusLost() {
    if (showFocus_ && focus_ >= 0)
        invalidate(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2));
    showFocus_ = false;
}

void Frame::drawList(Canvas& canvas) const {
    const Rect r = listRect();
    canvas.Fill(r, style_.listBackground);
    canvas.Outline(r, style_.listBorder);
    const int current = list_->index();
    for (int row = 0; row < static_cast<int>(list_->entries().size()); ++row) {
        const Rect line{r.left + 1, r.top + 1 + row * listRowHeight(), r.right - 1,
                        r.top + 1 + (row + 1) * listRowHeight()};
        if (row == listHover_)
            canvas.Fill(line, style_.listHover);
        if (row == current) // the entry in effect: an accent mark at its left
            canvas.Fill({line.left + 3, line.top + 4, line.left + 6, line.bottom - 4},
                        style_.accent);
        canvas.TextLeft(*style_.listFont, list_->entries()[static_cast<std::size_t>(row)],
                        {line.left + 10, line.top, line.right, line.bottom}, style_.listText);
    }
}

void Frame::paint(Canvas& canvas) const {
    canvas.Draw(background_, 0, 0);
    for (const auto& control : controls_)
        control->draw(canvas);
    if (showFocus_ && focus_ >= 0)
        canvas.Outline(Grow(controls_[static_cast<std::size_t>(focus_)]->rect(), 2), style_.focus);
    if (list_ != nullptr)
        drawList(canvas);
    if (splash_ != nullptr)
        canvas.Draw(splash_->image(), splash_->shownAt().left, splash_->shownAt().top);
}

} // namespace spectro
