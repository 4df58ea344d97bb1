// What Spectro's editor shows for parameter values and what its controls set, without a window.
#include <gtest/gtest.h>

#include "spectro_controls.h"

namespace {

using spectro::ControlId;

std::string MenuText(ControlId menu, float parameter) {
    return spectro::MenuEntries(menu)[spectro::MenuIndexFor(menu, parameter)];
}

TEST(SpectroControls, MenusSetTheirParametersAndShowThemAgain) {
    const float overlaps = spectro::ParameterForMenuIndex(ControlId::OverlapsMenu, 3);
    EXPECT_FLOAT_EQ(overlaps, 0.84f);
    EXPECT_EQ(MenuText(ControlId::OverlapsMenu, overlaps), "x 6");
    const float fft = spectro::ParameterForMenuIndex(ControlId::FftMenu, 4);
    EXPECT_FLOAT_EQ(fft, 0.8f);
    EXPECT_EQ(MenuText(ControlId::FftMenu, fft), "4096");
    EXPECT_EQ(MenuText(ControlId::WindowMenu, 0.6f), "blackman");
    // Every entry reads back as itself, and the ends of the range show the ends of the menus.
    for (ControlId menu : {ControlId::FftMenu, ControlId::OverlapsMenu, ControlId::WindowMenu}) {
        const int entries = static_cast<int>(spectro::MenuEntries(menu).size());
        for (int i = 0; i < entries; ++i)
            EXPECT_EQ(spectro::MenuIndexFor(menu, spectro::ParameterForMenuIndex(menu, i)), i);
        EXPECT_EQ(spectro::MenuIndexFor(menu, 1.0f), entries - 1);
    }
    EXPECT_FLOAT_EQ(spectro::ParameterForMenuIndex(ControlId::OverlapsMenu, 7), 0.5f);
}

TEST(SpectroControls, DisplaysAndFreeze) {
    EXPECT_EQ(spectro::DisplayText(ControlId::PitchDisplay, 0.5f), "0.0");
    EXPECT_EQ(spectro::DisplayText(ControlId::PitchDisplay, 0.75f), "12.0");
    EXPECT_EQ(spectro::DisplayText(ControlId::PitchDisplay, 0.0f), "-24.0");
    EXPECT_EQ(spectro::DisplayText(ControlId::BlurDisplay, 0.5f), "50%");
    EXPECT_EQ(spectro::DisplayText(ControlId::GateDisplay, 0.25f), "0.25");
    // Freeze on: blur 1.0, its slider at the top; any lower blur switches it off.
    EXPECT_TRUE(spectro::FreezeOnFor(spectro::BlurForFreeze(true)));
    EXPECT_EQ(spectro::HandleTopFor(spectro::BlurForFreeze(true)), spectro::kHandleTop);
    EXPECT_FALSE(spectro::FreezeOnFor(spectro::ValueAtHandleTop(spectro::kHandleTop + 1)));
}

TEST(SpectroControls, SliderHandlesAndTheControlsOfAParameter) {
    EXPECT_EQ(spectro::HandleTopFor(0.0f), spectro::kHandleBottom);
    EXPECT_EQ(spectro::HandleTopFor(2.0f), spectro::kHandleTop);
    for (int top = spectro::kHandleTop; top <= spectro::kHandleBottom; ++top)
        EXPECT_EQ(spectro::HandleTopFor(spectro::ValueAtHandleTop(top)), top);
    EXPECT_EQ(spectro::ControlsOfParameter(spectro::kBlurParam),
              std::vector<ControlId>(
                  {ControlId::BlurSlider, ControlId::FreezeButton, ControlId::BlurDisplay}));
}

} // namespace
