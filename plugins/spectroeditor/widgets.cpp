#include "widgets.h"

#include <algorithm>
#include <cmath>

#include "frame.h"

namespace spectro {

void Control::setValue(float value) {
    if (value == value_)
        return;
    value_ = value;
    if (frame_ != nullptr)
        frame_->invalidate(rect_);
}

void Control::setHovered(bool hovered) {
    if (hovered == hovered_)
        return;
    hovered_ = hovered;
    if (frame_ != nullptr)
        frame_->invalidate(rect_);
}

void Control::userChange(float value) {
    setValue(value);
    listener_.valueChanged(*this);
}

void Control::userEdit(float value) {
    listener_.beginEdit(*this);
    userChange(value);
    listener_.endEdit(*this);
}

VerticalSlider::VerticalSlider(const Rect& rect, int tag, ControlListener& listener,
                               const art::Picture& track, const art::Picture* const handle[2],
                               int handleTop, int handleBottom, float defaultValue)
    : Control(rect, tag, listener), track_(track), handle_(*handle[0]), handleHover_(*handle[1]),
      handleTop_(handleTop), handleBottom_(std::max(handleBottom, handleTop + 1)),
      default_(defaultValue) {
    setValue(defaultValue);
}

int VerticalSlider::handleTopNow() const {
    const float v = std::clamp(value(), 0.0f, 1.0f);
    return handleBottom_ - static_cast<int>(std::lround(v * (handleBottom_ - handleTop_)));
}

void VerticalSlider::draw(Canvas& canvas) const {
    canvas.Draw(track_, rect().left, rect().top);
    canvas.Draw(hovered() ? handleHover_ : handle_,
                rect().left + (rect().Width() - handle_.width) / 2, handleTopNow());
}

void VerticalSlider::mouseDown(int x, int y, bool reset) {
    (void)x;
    listener().beginEdit(*this);
    dragging_ = true;
    if (reset) {
        userChange(default_);
        return;
    }
    const int top = handleTopNow();
    // Held where it was grabbed, or by its middle when the press was beside it.
    grab_ = y >= top && y < top + handle_.height ? y - top : handle_.height / 2;
    mouseMoved(x, y);
}

void VerticalSlider::mouseMoved(int x, int y) {
    (void)x;
    if (!dragging_)
        return;
    const int top = std::clamp(y - grab_, handleTop_, handleBottom_);
    const float v = static_cast<float>(handleBottom_ - top) / (handleBottom_ - handleTop_);
    if (v != value())
        userChange(v);
}

void VerticalSlider::mouseUp() {
    if (!dragging_)
        return;
    dragging_ = false;
    listener().endEdit(*this);
}

void VerticalSlider::step(float amount) {
    const float v = std::clamp(value() + amount, 0.0f, 1.0f);
    if (v != value())
        userEdit(v);
}

bool VerticalSlider::wheel(int steps) {
    step(0.02f * static_cast<float>(steps));
    return true;
}

bool VerticalSlider::key(Key key) {
    switch (key) {
    case Key::Up:
        step(0.01f);
        return true;
    case Key::Down:
        step(-0.01f);
        return true;
    case Key::PageUp:
        step(0.1f);
        return true;
    case Key::PageDown:
        step(-0.1f);
        return true;
    case Key::Home:
        step(1.0f);
        return true;
    case Key::End:
        step(-1.0f);
        return true;
    default:
        return false;
    }
}

ValueDisplay::ValueDisplay(const Rect& rect, int tag, ControlListener& listener,
                           const art::Picture& face, const art::Font& font, std::uint32_t textColor,
                           ToText toText)
    : Control(rect, tag, listener), face_(face), font_(font), textColor_(textColor),
      toText_(std::move(toText)) {}

void ValueDisplay::draw(Canvas& canvas) const {
    canvas.Draw(face_, rect().left, rect().top);
    canvas.Text(font_, text(), rect(), textColor_);
}

OptionMenu::OptionMenu(const Rect& rect, int tag, ControlListener& listener,
                       const art::Picture* const face[2], const art::Font& font,
                       std::uint32_t textColor, const Rect& textBox,
                       std::vector<std::string> entries)
    : Control(rect, tag, listener), face_(*face[0]), faceHover_(*face[1]), font_(font),
      textColor_(textColor), textBox_(textBox), entries_(std::move(entries)) {}

int OptionMenu::index() const {
    const int i = static_cast<int>(std::lround(value()));
    return i >= 0 && i < static_cast<int>(entries_.size()) ? i : -1;
}

void OptionMenu::draw(Canvas& canvas) const {
    canvas.Draw(hovered() ? faceHover_ : face_, rect().left, rect().top);
    const int i = index();
    if (i >= 0) {
        const Rect box{rect().left + textBox_.left, rect().top + textBox_.top,
                       rect().left + textBox_.right, rect().top + textBox_.bottom};
        canvas.Text(font_, entries_[static_cast<std::size_t>(i)], box, textColor_);
    }
}

void OptionMenu::mouseDown(int x, int y, bool reset) {
    (void)x, (void)y, (void)reset;
    if (frame() != nullptr)
        frame()->openList(*this);
}

void OptionMenu::choose(int i) {
    if (i >= 0 && i < static_cast<int>(entries_.size()))
        userEdit(static_cast<float>(i));
}

bool OptionMenu::wheel(int steps) {
    const int last = static_cast<int>(entries_.size()) - 1;
    const int i = std::clamp(index() - steps, 0, std::max(last, 0));
    if (i != index())
        choose(i);
    return true;
}

bool OptionMenu::key(Key key) {
    switch (key) {
    case Key::Up:
        return wheel(1);
    case Key::Down:
        return wheel(-1);
    case Key::Activate:
        mouseDown(0, 0, false);
        return true;
    default:
        return false;
    }
}

OnOffButton::OnOffButton(const Rect& rect, int tag, ControlListener& listener,
                         const art::Picture* const states[2])
    : Control(rect, tag, listener), states_(*states[0]), statesHover_(*states[1]) {}

void OnOffButton::draw(Canvas& canvas) const {
    const int half = states_.height / 2;
    canvas.Draw(hovered() ? statesHover_ : states_, rect().left, rect().top, on() ? half : 0, half);
}

void OnOffButton::mouseDown(int x, int y, bool reset) {
    (void)x, (void)y, (void)reset;
    userEdit(on() ? 0.0f : 1.0f);
}

bool OnOffButton::key(Key key) {
    if (key != Key::Activate)
        return false;
    mouseDown(0, 0, false);
    return true;
}

SplashArea::SplashArea(const Rect& rect, int tag, ControlListener& listener,
                       const art::Picture& image, const Rect& shownAt)
    : Control(rect, tag, listener), image_(image), shownAt_(shownAt) {}

void SplashArea::mouseDown(int x, int y, bool reset) {
    (void)x, (void)y, (void)reset;
    if (frame() != nullptr)
        frame()->showSplash(*this);
}

bool SplashArea::key(Key key) {
    if (key != Key::Activate)
        return false;
    mouseDown(0, 0, false);
    return true;
}

} // namespace spectro
