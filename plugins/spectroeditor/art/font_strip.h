// A font as Spectro's editor draws it at run time: the 8-bit coverage of every printable ASCII
// character, side by side in one strip, with each character's cell and advance. The editor has
// no font renderer of its own, so the glyphs are rendered here once, at build time.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace spectroart {

struct GlyphCell {
    int x = 0;       // first column of the cell in the strip
    int width = 0;   // columns of the cell (0 for a glyph without ink)
    int advance = 0; // pixels the pen moves
};

struct FontStrip {
    static constexpr int kFirst = 32;
    static constexpr int kCount = 95;

    int pixelSize = 0;
    int height = 0; // rows of the strip
    int ascent = 0; // rows from the strip's top to the baseline
    int width = 0;  // columns of the strip
    std::vector<std::uint8_t> coverage;
    std::array<GlyphCell, kCount> glyphs{};

    // The sum of the characters' advances (the width the editor centres); -1 when text holds a
    // character outside the font.
    int Advance(const QString& text) const;
    // The first and last columns of text's ink relative to where the pen starts; false when it
    // has none.
    bool InkColumns(const QString& text, int& first, int& last) const;
    // Draws text in color as the editor does: pen starting at penX, the strip's top row at top.
    void Draw(QImage& target, int penX, int top, const QString& text, const QColor& color) const;
};

// Renders font into strip. Each cell starts one pixel left of the pen; the strip holds every
// glyph's ink and its rows are balanced around the middle of the digits, so that a strip
// centred in a box centres digits and capitals. False with error when a glyph cannot be held
// that way (ink further left, a cell or advance too wide for the editor's tables).
bool RenderFontStrip(const QFont& font, FontStrip& strip, QString& error);

} // namespace spectroart
