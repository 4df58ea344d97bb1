#include "canvas.h"

#include <algorithm>

namespace spectro {

namespace {

const art::Glyph& GlyphOf(const art::Font& font, char c) {
    const int index = static_cast<unsigned char>(c) - art::kFirstGlyph;
    return font.glyphs[index >= 0 && index < art::kGlyphCount ? index : 0];
}

// a * (255 - alpha) / 255 per channel, rounded: what remains of a pixel under a cover.
std::uint32_t Scale(std::uint32_t rgb, unsigned factor) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned channel = (rgb >> shift) & 0xff;
        out |= ((channel * factor + 127) / 255) << shift;
    }
    return out;
}

} // namespace

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, 0) {}

std::uint32_t Canvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Canvas::Blend(int x, int y, std::uint32_t premultiplied) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    std::uint32_t& pixel = pixels_[static_cast<std::size_t>(y) * width_ + x];
    const unsigned alpha = premultiplied >> 24;
    if (alpha == 0xff) {
        pixel = premultiplied & 0xffffff;
    } else if (alpha != 0 || (premultiplied & 0xffffff) != 0) {
        // Premultiplied "over": source + destination * (1 - alpha), each channel within 255.
        const std::uint32_t under = Scale(pixel, 255 - alpha);
        std::uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const unsigned sum = ((premultiplied >> shift) & 0xff) + ((under >> shift) & 0xff);
            out |= std::min(sum, 255u) << shift;
        }
        pixel = out;
    }
}

void Canvas::Draw(const art::Picture& picture, int x, int y, int top, int rows) {
    top = std::clamp(top, 0, picture.height);
    const int last = rows < 0 ? picture.height : std::min(picture.height, top + rows);
    for (int row = top; row < last; ++row) {
        const std::uint32_t* source =
            picture.pixels + static_cast<std::size_t>(row) * picture.width;
        for (int column = 0; column < picture.width; ++column)
            Blend(x + column, y + row - top, source[column]);
    }
}

void Canvas::Fill(const Rect& r, std::uint32_t rgb) {
    const int left = std::max(r.left, 0), right = std::min(r.right, width_);
    const int top = std::max(r.top, 0), bottom = std::min(r.bottom, height_);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            pixels_[static_cast<std::size_t>(y) * width_ + x] = rgb & 0xffffff;
}

void Canvas::Outline(const Rect& r, std::uint32_t rgb) {
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    Fill({r.left, r.top, r.right, r.top + 1}, rgb);
    Fill({r.left, r.bottom - 1, r.right, r.bottom}, rgb);
    Fill({r.left, r.top, r.left + 1, r.bottom}, rgb);
    Fill({r.right - 1, r.top, r.right, r.bottom}, rgb);
}

int Canvas::TextWidth(const art::Font& font, std::string_view text) {
    int width = 0;
    for (char c : text)
        width += GlyphOf(font, c).advance;
    return width;
}

void Canvas::Glyphs(const art::Font& font, std::string_view text, int penX, int top,
                    std::uint32_t rgb) {
    for (char c : text) {
        const art::Glyph& glyph = GlyphOf(font, c);
        for (int row = 0; row < font.height; ++row) {
            const std::uint8_t* cover =
                font.coverage + static_cast<std::size_t>(row) * font.stripWidth + glyph.x;
            for (int column = 0; column < glyph.width; ++column) {
                const unsigned a = cover[column];
                if (a != 0)
                    Blend(penX - 1 + column, top + row, (a << 24) | Scale(rgb, a));
            }
        }
        penX += glyph.advance;
    }
}

void Canvas::Text(const art::Font& font, std::string_view text, const Rect& box,
                  std::uint32_t rgb) {
    const int left = box.left + (box.Width() - TextWidth(font, text)) / 2;
    Glyphs(font, text, left, box.top + (box.Height() - font.height) / 2, rgb);
}

void Canvas::TextLeft(const art::Font& font, std::string_view text, const Rect& box,
                      std::uint32_t rgb) {
    Glyphs(font, text, box.left, box.top + (box.Height() - font.height) / 2, rgb);
}

} // namespace spectro
