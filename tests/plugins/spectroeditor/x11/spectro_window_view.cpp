#include <gtest/gtest.h>

#include "spectro_window_view.h"

#include "editor_controls.h"
#include "spectro_art.h"

namespace spectro::testing {

namespace {

struct NoListener : ControlListener {
    void valueChanged(Control&) override {}
};
NoListener g_listener;

} // namespace

std::unique_ptr<Control> ControlShowing(ControlId id, float p) {
    std::unique_ptr<Control> control = MakeControl(SpecOf(id), g_listener);
    ShowParameter(*control, id, p);
    return control;
}

Canvas Drawn(ControlId id, float p) {
    Canvas canvas(kEditorRect.Width(), kEditorRect.Height());
    canvas.Draw(art::kBackground, 0, 0);
    ControlShowing(id, p)->draw(canvas);
    return canvas;
}

::testing::AssertionResult SameInside(const std::vector<std::uint32_t>& window,
                                      const Canvas& expected, const Rect& r) {
    if (window.size() != static_cast<std::size_t>(expected.Width()) * expected.Height())
        return ::testing::AssertionFailure()
               << "the window picture has " << window.size() << " pixels";
    int differing = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            differing +=
                window[static_cast<std::size_t>(y) * expected.Width() + x] != expected.Pixel(x, y);
    if (differing == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ";
}

void ListEntryCentre(ControlId menu, int entry, int& x, int& y) {
    const Frame::Style style{&art::kListFont, 0, 0, 0, 0, 0, 0};
    Frame frame(art::kBackground, style);
    auto& control = static_cast<OptionMenu&>(frame.add(ControlShowing(menu, 0.0f)));
    frame.openList(control);
    const Rect list = frame.listRect();
    x = CentreX(list);
    y = list.top + 1 + entry * frame.listRowHeight() + frame.listRowHeight() / 2;
}

} // namespace spectro::testing
