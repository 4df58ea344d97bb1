// Canvas: the editor's picture in memory, opaque 0x00RRGGBB pixels row after row, drawn from
// the compiled-in artwork and fonts and then handed to the window system as a whole or in parts.
// Drawing never reaches outside the canvas.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "spectro_art.h"
#include "spectro_controls.h"

namespace spectro {

class Canvas {
public:
    Canvas(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::uint32_t* Pixels() const { return pixels_.data(); }
    std::uint32_t Pixel(int x, int y) const;

    // Draws rows [top, top + rows) of a picture with their top-left corner at (x, y), blending
    // its premultiplied alpha over what is there; rows < 0 draws to the picture's end.
    void Draw(const art::Picture& picture, int x, int y, int top = 0, int rows = -1);
    void Fill(const Rect& r, std::uint32_t rgb);
    // A 1 px line just inside r.
    void Outline(const Rect& r, std::uint32_t rgb);
    // One line of text centred in box, horizontally and vertically (by the font's cell).
    void Text(const art::Font& font, std::string_view text, const Rect& box, std::uint32_t rgb);
    // The same, left-aligned from box.left.
    void TextLeft(const art::Font& font, std::string_view text, const Rect& box, std::uint32_t rgb);

    // The pen advance of a line of text; characters outside the font advance like a space.
    static int TextWidth(const art::Font& font, std::string_view text);

private:
    void Glyphs(const art::Font& font, std::string_view text, int penX, int top, std::uint32_t rgb);
    void Blend(int x, int y, std::uint32_t premultiplied);

    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

} // namespace spectro
