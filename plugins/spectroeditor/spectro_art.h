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
// control; the others are drawn over it where their controls are.
extern const Picture kBackground;   // 300 x 250
extern const Picture kSliderTrack;  // 25 x 160
extern const Picture kSliderHandle; // 21 x 20
extern const Picture kMenuFace;     // 50 x 29, an option menu's closed face (no text)
extern const Picture kDisplayFace;  // 25 x 15, a value display's background (no text)
extern const Picture kFreezeButton; // 78 x 78: off (top 39 rows) above on (bottom 39 rows)
extern const Picture kSplash;       // 262 x 218, the information shown over the window

// One glyph of a font: its cell in the font's coverage strip and how far the pen moves after it.
// The cell's column 0 lies one pixel left of the pen position.
struct Glyph {
    std::int16_t x;       // first column of the cell in the strip
    std::uint8_t width;   // columns of the cell
    std::uint8_t advance; // pixels the pen moves
};

// A font of the printable ASCII characters 32..126: 8-bit coverage in a strip of height rows
// and stripWidth columns; the baseline lies ascent rows below the strip's top.
constexpr int kFirstGlyph = 32;
constexpr int kGlyphCount = 95;
struct Font {
    int height;
    int ascent;
    int stripWidth;
    const std::uint8_t* coverage;
    Glyph glyphs[kGlyphCount];
};

// Value displays and the menus' closed faces; entries of an open menu's list.
extern const Font kValueFont;
extern const Font kListFont;

// Colours the editor draws with at run time (0xRRGGBB, opaque).
struct Palette {
    std::uint32_t text;           // value displays, menu faces, list entries
    std::uint32_t textSecondary;  // a menu entry that is not the current one when hovered off
    std::uint32_t listBackground; // an open menu's list
    std::uint32_t listBorder;
    std::uint32_t listHover;   // the entry under the mouse
    std::uint32_t accent;      // the current entry's mark
    std::uint32_t onAccent;    // text on the accent
    std::uint32_t focus;       // the keyboard focus ring
};
extern const Palette kPalette;

} // namespace spectro::art
