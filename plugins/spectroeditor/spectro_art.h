// Spectro's editor artwork, compiled into the plug-in: pictures, colours and two small fonts,
// drawn at build time from the shared theme (the build's generated spectro_art_data.cpp holds
// the values). Nothing here is read from files at run time.
#pragma once

#include <cstdint>

namespace spectro::art {

// A picture of premultiplied ARGB pixels (0xAARRGGBB), row after row, width * height of them.
struct Picture {
    int width;
    int height;
    const std::uint32_t* pixels;
};

// The editor's pictures. The background is opaque and shows the labels and slots of every
// control; the others are drawn over it (source over, they have transparent pixels) exactly at
// their controls' rectangles. Under every control the background shows only a plain panel or a
// recess, so restoring it there and drawing the control again redraws the control.
//
// Texts drawn at run time are centred horizontally: the pen starts at
// left + (width - sum of the glyphs' advances) / 2. Vertically, a font's strip is centred on the
// rows named below (strip top = their top + (rows - font height) / 2): the strips are balanced
// so that this centres digits and capitals.
extern const Picture kBackground;  // 300 x 250
extern const Picture kSliderTrack; // 25 x 160, at the slider's rectangle
// 21 x 20, at x = track left + 2 and y = HandleTopFor(value); its middle (between rows 9 and
// 10, the accent line) marks the value on the track's ticks.
extern const Picture kSliderHandle;
// The same, lighter: the slider is under the mouse or held.
extern const Picture kSliderHandleHover;
// 50 x 29, an option menu's closed face: the entry text (kValueFont, text colour) is centred in
// the top 20 rows, the caret lies below them. The longest entry keeps 2 px free inside the
// face's 1 px border at each side.
extern const Picture kMenuFace;
// The same face in its mouse-over colour.
extern const Picture kMenuFaceHover;
// 25 x 15, a value display's well: the text (kValueFont, text colour) is centred in all 15 rows;
// every text a display shows fits the 23 columns inside its border.
extern const Picture kDisplayFace;
// 78 x 78: off (top 39 rows) above on (bottom 39 rows), each at the button's 78 x 39 rectangle,
// caption and glow included.
extern const Picture kFreezeButton;
// The same two states in their mouse-over colours.
extern const Picture kFreezeButtonHover;
// 262 x 218, the information card shown over the window at kSplashImageRect (its rounded
// corners are transparent); its last line reads "Click to close".
extern const Picture kSplash;

// One glyph of a font: its cell in the font's coverage strip and how far the pen moves after it.
// The cell's column 0 lies one pixel left of the pen position; a glyph without ink (the space)
// has a cell of width 0. There is no kerning: a text's width is the sum of its advances.
struct Glyph {
    std::int16_t x;       // first column of the cell in the strip
    std::uint8_t width;   // columns of the cell
    std::uint8_t advance; // pixels the pen moves
};

// A font of the printable ASCII characters 32..126: 8-bit coverage (0 = none, 255 = full,
// antialiased grey levels) in a strip of height rows and stripWidth columns, row after row; the
// baseline lies ascent rows below the strip's top. Every glyph's ink lies inside the strip, and
// the strip's middle row lies at the middle of the digits' height.
constexpr int kFirstGlyph = 32;
constexpr int kGlyphCount = 95;
struct Font {
    int height;
    int ascent;
    int stripWidth;
    const std::uint8_t* coverage;
    Glyph glyphs[kGlyphCount];
};

// Value displays and the menus' closed faces (DejaVu Sans at the largest size up to the theme's
// small size that fits every display text and menu entry); entries of an open menu's list (the
// theme's label size).
extern const Font kValueFont;
extern const Font kListFont;

// Colours the editor draws with at run time (0xRRGGBB, opaque).
struct Palette {
    std::uint32_t text;           // value displays, menu faces, list entries
    std::uint32_t listBackground; // an open menu's list
    std::uint32_t listBorder;
    std::uint32_t listHover; // the entry under the mouse
    std::uint32_t accent;    // the current entry's mark
    std::uint32_t focus;     // the keyboard focus ring
};
extern const Palette kPalette;

} // namespace spectro::art
