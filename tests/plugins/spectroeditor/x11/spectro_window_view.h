// What Spectro's editor window should show, drawn with the toolkit the editor draws with: the
// background and one control in a given state. The tests compare the window's pixels with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "frame.h"
#include "spectro_controls.h"
#include "widgets.h"

namespace spectro::testing {

// A control of the editor as the editor builds it, showing parameter value p.
std::unique_ptr<Control> ControlShowing(ControlId id, float p);
// The background with that control drawn over it.
Canvas Drawn(ControlId id, float p);
// The pixels of a window picture (0x00RRGGBB, 300 wide) inside r equal the canvas's.
::testing::AssertionResult SameInside(const std::vector<std::uint32_t>& window,
                                      const Canvas& expected, const Rect& r);
// The centre of an entry of a menu's open list, in window pixels.
void ListEntryCentre(ControlId menu, int entry, int& x, int& y);
// The centre of a rectangle.
inline int CentreX(const Rect& r) {
    return (r.left + r.right) / 2;
}
inline int CentreY(const Rect& r) {
    return (r.top + r.bottom) / 2;
}

} // namespace spectro::testing
