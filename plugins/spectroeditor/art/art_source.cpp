#include "art_source.h"

#include <cstdio>

namespace spectroart {

namespace {

void Append(QByteArray& out, const char* format, auto... values) {
    char text[160];
    const int n = std::snprintf(text, sizeof text, format, values...);
    out.append(text, n);
}

void Pixels(QByteArray& out, const char* name, const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    Append(out, "const std::uint32_t %s[%d] = {\n", name, img.width() * img.height());
    int column = 0;
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            Append(out, column == 0 ? "    0x%08x," : " 0x%08x,", unsigned(row[x]));
            if (++column == 8) {
                out.append('\n');
                column = 0;
            }
        }
    }
    out.append(column == 0 ? "};\n\n" : "\n};\n\n");
}

void Coverage(QByteArray& out, const char* name, const FontStrip& font) {
    Append(out, "const std::uint8_t %s[%d] = {\n", name, int(font.coverage.size()));
    for (std::size_t i = 0; i < font.coverage.size(); ++i) {
        Append(out, i % 16 == 0 ? "    0x%02x," : " 0x%02x,", unsigned(font.coverage[i]));
        if (i % 16 == 15) {
            out.append('\n');
        }
    }
    out.append(font.coverage.size() % 16 == 0 ? "};\n\n" : "\n};\n\n");
}

void Picture(QByteArray& out, const char* name, const QImage& img, const char* pixels) {
    Append(out, "const Picture %s{%d, %d, %s};\n", name, img.width(), img.height(), pixels);
}

void Font(QByteArray& out, const char* name, const FontStrip& font, const char* coverage) {
    Append(out, "const Font %s{\n    %d,\n    %d,\n    %d,\n    %s,\n    {", name, font.height,
           font.ascent, font.width, coverage);
    for (int i = 0; i < FontStrip::kCount; ++i) {
        const GlyphCell& g = font.glyphs[i];
        Append(out, i % 6 == 0 ? "\n        {%d, %d, %d}," : " {%d, %d, %d},", g.x, g.width,
               g.advance);
    }
    out.append("\n    }};\n");
}

} // namespace

QByteArray ArtSource(const Artwork& art) {
    QByteArray out;
    out.reserve(2 << 20);
    out.append("// Spectro's editor artwork, drawn by voxwarp_spectro_art from data/art/theme.ini "
               "at build time.\n// Generated: edit the theme or the tool, not this file.\n"
               "#include \"spectro_art.h\"\n\nnamespace spectro::art {\n\nnamespace {\n\n");
    const std::pair<const char*, const QImage*> pictures[] = {
        {"kBackgroundPixels", &art.background},
        {"kSliderTrackPixels", &art.sliderTrack},
        {"kSliderHandlePixels", &art.sliderHandle},
        {"kSliderHandleHoverPixels", &art.sliderHandleHover},
        {"kMenuFacePixels", &art.menuFace},
        {"kMenuFaceHoverPixels", &art.menuFaceHover},
        {"kDisplayFacePixels", &art.displayFace},
        {"kFreezeButtonPixels", &art.freezeButton},
        {"kFreezeButtonHoverPixels", &art.freezeButtonHover},
        {"kSplashPixels", &art.splash},
    };
    for (const auto& [name, image] : pictures) {
        Pixels(out, name, *image);
    }
    Coverage(out, "kValueFontCoverage", art.valueFont);
    Coverage(out, "kListFontCoverage", art.listFont);
    out.append("} // namespace\n\n");
    Picture(out, "kBackground", art.background, "kBackgroundPixels");
    Picture(out, "kSliderTrack", art.sliderTrack, "kSliderTrackPixels");
    Picture(out, "kSliderHandle", art.sliderHandle, "kSliderHandlePixels");
    Picture(out, "kSliderHandleHover", art.sliderHandleHover, "kSliderHandleHoverPixels");
    Picture(out, "kMenuFace", art.menuFace, "kMenuFacePixels");
    Picture(out, "kMenuFaceHover", art.menuFaceHover, "kMenuFaceHoverPixels");
    Picture(out, "kDisplayFace", art.displayFace, "kDisplayFacePixels");
    Picture(out, "kFreezeButton", art.freezeButton, "kFreezeButtonPixels");
    Picture(out, "kFreezeButtonHover", art.freezeButtonHover, "kFreezeButtonHoverPixels");
    Picture(out, "kSplash", art.splash, "kSplashPixels");
    out.append("\n");
    Font(out, "kValueFont", art.valueFont, "kValueFontCoverage");
    Font(out, "kListFont", art.listFont, "kListFontCoverage");
    const Palette& c = art.palette;
    Append(out, "\nconst Palette kPalette{0x%06x, 0x%06x, 0x%06x, 0x%06x, 0x%06x, 0x%06x};\n",
           c.text, c.listBackground, c.listBorder, c.listHover, c.accent, c.focus);
    out.append("\n} // namespace spectro::art\n");
    return out;
}

} // namespace spectroart
