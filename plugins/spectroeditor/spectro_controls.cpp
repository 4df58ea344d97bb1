#include "spectro_controls.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace spectro {

namespace {

constexpr std::array<ControlSpec, kControlCount> kControls{{
    {ControlId::GateSlider, ControlKind::Slider, {25, 20, 50, 180}, kGateParam},
    {ControlId::BlurSlider, ControlKind::Slider, {75, 20, 100, 180}, kBlurParam},
    {ControlId::PitchSlider, ControlKind::Slider, {125, 20, 150, 180}, kPitchParam},
    {ControlId::FreezeButton, ControlKind::OnOff, {177, 169, 255, 208}, kBlurParam},
    {ControlId::FftMenu, ControlKind::Menu, {175, 25, 225, 54}, kFftSizeParam},
    {ControlId::OverlapsMenu, ControlKind::Menu, {175, 69, 225, 98}, kOverlapsParam},
    {ControlId::WindowMenu, ControlKind::Menu, {175, 113, 225, 142}, kWindowParam},
    {ControlId::GateDisplay, ControlKind::Display, {25, 191, 50, 206}, kGateParam},
    {ControlId::BlurDisplay, ControlKind::Display, {75, 191, 100, 206}, kBlurParam},
    {ControlId::PitchDisplay, ControlKind::Display, {125, 191, 150, 206}, kPitchParam},
    {ControlId::Splash, ControlKind::Splash, {17, 222, 211, 238}, kSplashTag},
}};

// The overlaps menu's parameter values for 1, 2, 4, 6 and 8 overlapping streams.
constexpr std::array<float, 5> kOverlapValues{0.0f, 0.21f, 0.49f, 0.84f, 1.0f};

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

const std::array<ControlSpec, kControlCount>& Controls() {
    return kControls;
}

const ControlSpec& SpecOf(ControlId id) {
    return kControls[static_cast<std::size_t>(id)];
}

int HandleTopFor(float value) {
    const float v = std::clamp(value, 0.0f, 1.0f);
    return kHandleBottom - static_cast<int>(std::lround(v * (kHandleBottom - kHandleTop)));
}

float ValueAtHandleTop(int top) {
    const int clamped = std::clamp(top, kHandleTop, kHandleBottom);
    return static_cast<float>(kHandleBottom - clamped) / (kHandleBottom - kHandleTop);
}

float SliderDefault(ControlId slider) {
    return slider == ControlId::PitchSlider ? 0.5f : 0.0f;
}

const std::vector<std::string>& MenuEntries(ControlId menu) {
    static const std::vector<std::string> kFft{"256", "512", "1024", "2048", "4096", "8192"};
    static const std::vector<std::string> kOverlaps{"x 1", "x 2", "x 4", "x 6", "x 8"};
    static const std::vector<std::string> kWindows{"hann", "hamm", "blackman", "bartlet"};
    static const std::vector<std::string> kNone;
    switch (menu) {
    case ControlId::FftMenu:
        return kFft;
    case ControlId::OverlapsMenu:
        return kOverlaps;
    case ControlId::WindowMenu:
        return kWindows;
    default:
        return kNone;
    }
}

int MenuIndexFor(ControlId menu, float p) {
    const int last = static_cast<int>(MenuEntries(menu).size()) - 1;
    int index = 0;
    switch (menu) {
    case ControlId::OverlapsMenu:
        index = p <= 0.125f ? 0 : p <= 0.25f ? 1 : p <= 0.5f ? 2 : p <= 0.85f ? 3 : 4;
        break;
    case ControlId::FftMenu:
        index = static_cast<int>(5 * p);
        break;
    case ControlId::WindowMenu:
        index = static_cast<int>(4 * p);
        break;
    default:
        return 0;
    }
    // A window type of 1.0 gives an index past the last window: the last one is shown.
    return std::clamp(index, 0, last);
}

float ParameterForMenuIndex(ControlId menu, int index) {
    switch (menu) {
    case ControlId::OverlapsMenu:
        return index >= 0 && index < static_cast<int>(kOverlapValues.size()) ? kOverlapValues[index]
                                                                             : 0.5f;
    case ControlId::FftMenu:
        return 0.2f * static_cast<float>(index);
    case ControlId::WindowMenu:
        return 0.25f * static_cast<float>(index);
    default:
        return 0.0f;
    }
}

bool FreezeOnFor(float blur) {
    return static_cast<int>(blur) == 1;
}

float BlurForFreeze(bool on) {
    return on ? 1.0f : 0.0f;
}

std::string DisplayText(ControlId display, float p) {
    switch (display) {
    case ControlId::GateDisplay:
        return Format("%2.2f", p);
    case ControlId::BlurDisplay: {
        char text[16];
        std::snprintf(text, sizeof text, "%d%%", static_cast<int>(100 * p));
        return text;
    }
    case ControlId::PitchDisplay:
        return Format("%.1f", 48.0 * (static_cast<double>(p) - 0.5));
    default:
        return {};
    }
}

std::vector<ControlId> ControlsOfParameter(int parameter) {
    std::vector<ControlId> ids;
    for (const ControlSpec& control : kControls)
        if (control.tag == parameter)
            ids.push_back(control.id);
    return ids;
}

} // namespace spectro
