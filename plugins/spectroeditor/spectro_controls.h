// What Spectro's editor window shows and where, free of any window system: the controls with
// their rectangles and parameter tags, the mapping between parameter values and control values
// both ways, and the texts of the value displays and option menus. The editor builds and reads
// its controls through these.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace spectro {

// A rectangle in window pixels; right and bottom lie just outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The controls, in the order the editor builds them.
enum class ControlId {
    GateSlider,
    BlurSlider,
    PitchSlider,
    FreezeButton,
    FftMenu,
    OverlapsMenu,
    WindowMenu,
    GateDisplay,
    BlurDisplay,
    PitchDisplay,
    Splash,
};
enum class ControlKind { Slider, OnOff, Menu, Display, Splash };

// The parameters the controls edit (the effect's parameter indices).
constexpr int kOverlapsParam = 0;
constexpr int kFftSizeParam = 1;
constexpr int kWindowParam = 2;
constexpr int kGateParam = 3;
constexpr int kBlurParam = 4;
constexpr int kPitchParam = 5;
// The splash area's tag: it edits no parameter.
constexpr int kSplashTag = 10;

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    Rect rect;
    int tag;
};
constexpr int kControlCount = 11;
const std::array<ControlSpec, kControlCount>& Controls();
const ControlSpec& SpecOf(ControlId id);

// The editor window (its background's size) and where the splash image appears.
constexpr Rect kEditorRect{0, 0, 300, 250};
constexpr Rect kSplashImageRect{15, 15, 277, 233};

// Where an option menu's face shows its entry, relative to the face: the upper part, above the
// face's caret.
constexpr Rect kMenuTextBox{2, 0, 48, 20};

// Sliders: a 25 x 160 track with a 21 x 20 handle whose top travels from kHandleTop (value 1)
// to kHandleBottom (value 0).
constexpr int kHandleTop = 20;
constexpr int kHandleBottom = 159;
constexpr int kHandleWidth = 21;
constexpr int kHandleHeight = 20;
// The top of the handle for a value (clamped to 0..1), and the value of a handle top.
int HandleTopFor(float value);
float ValueAtHandleTop(int top);

// The parameter value a slider starts with before the effect tells its own.
float SliderDefault(ControlId slider);

// Option menus: their entries, the entry a parameter value shows, and the parameter value an
// entry sets. The overlaps menu gives 0.5 for an index outside its entries.
const std::vector<std::string>& MenuEntries(ControlId menu);
int MenuIndexFor(ControlId menu, float parameter);
float ParameterForMenuIndex(ControlId menu, int index);

// The freeze button is on exactly when blur is 1.0; switched on it sets blur 1.0, off 0.0.
bool FreezeOnFor(float blur);
float BlurForFreeze(bool on);

// The text of a value display for its parameter value: gate "%2.2f", blur "%d%%" of the
// truncated percentage, pitch "%.1f" semitones (48 * (p - 0.5)).
std::string DisplayText(ControlId display, float parameter);

// The controls that show a parameter (a slider, its display, the freeze button, a menu).
std::vector<ControlId> ControlsOfParameter(int parameter);

} // namespace spectro
