// Spectro's editor artwork drawn from the shared theme: the window's background with its
// panels, labels and title strip, the controls' pictures, the information card and the two
// fonts the editor draws its texts with. Where the editor's controls lie comes from
// spectro_controls.h, the same table the editor itself uses.
#pragma once

#include "font_strip.h"
#include "skin/art/theme.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

namespace spectroart {

// Rows of a menu face whose middle the entry text is centred on; the caret lies below them.
constexpr int kMenuTextRows = 20;
// Columns left free at each side of a menu face's text, inside its 1 px border.
constexpr int kMenuTextMargin = 2;

// The editor's run-time colours, 0xRRGGBB.
struct Palette {
    std::uint32_t text = 0, textSecondary = 0, listBackground = 0, listBorder = 0, listHover = 0,
                  accent = 0, focus = 0;
};

struct Artwork {
    QImage background;   // 300 x 250, opaque
    QImage sliderTrack;  // 25 x 160
    QImage sliderHandle; // 21 x 20
    QImage sliderHandleHover;
    QImage menuFace; // 50 x 29
    QImage menuFaceHover;
    QImage displayFace;  // 25 x 15
    QImage freezeButton; // 78 x 78: off above on
    QImage freezeButtonHover;
    QImage splash; // 262 x 218
    FontStrip valueFont;
    FontStrip listFont;
    Palette palette;
};

// Draws everything. False with error when a text does not fit where it goes or a font cannot be
// rendered; a QPainter warning is the caller's to catch.
bool DrawArtwork(const skinart::Theme& theme, Artwork& art, QString& error);

// Every text a value display can show, and every menu entry: the texts the fonts must fit.
QStringList DisplayTexts();
QStringList MenuTexts();

} // namespace spectroart
