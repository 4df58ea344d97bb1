#include "editor_mockup.h"

#include "spectro_controls.h"

#include <QPainter>

namespace spectroart {

using spectro::SpecOf;
using spectro::ControlId;

namespace {

QRect Rect(ControlId id) {
    const spectro::Rect& r = SpecOf(id).rect;
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QColor Color(std::uint32_t rgb) {
    return QColor::fromRgb(QRgb(0xff000000u | rgb));
}

// Text centred in box horizontally; the strip centred in the box's first rows.
void CentredText(QImage& img, const FontStrip& font, const QRect& box, int rows,
                 const QString& text, const QColor& color) {
    font.Draw(img, box.left() + (box.width() - font.Advance(text)) / 2,
              box.top() + (rows - font.height) / 2, text, color);
}

} // namespace

QImage EditorMockup(const Artwork& art, Mockup kind) {
    QImage img = art.background.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Blur at 1.0 is what the freeze button switches on: the plain mock-up shows it frozen.
    const float sliders[] = {0.35f, kind == Mockup::Editor ? 1.0f : 0.62f, 0.75f};
    const ControlId sliderIds[] = {ControlId::GateSlider, ControlId::BlurSlider,
                                   ControlId::PitchSlider};
    const ControlId displayIds[] = {ControlId::GateDisplay, ControlId::BlurDisplay,
                                    ControlId::PitchDisplay};
    const std::pair<ControlId, int> menus[] = {
        {ControlId::FftMenu, 3}, {ControlId::OverlapsMenu, 2}, {ControlId::WindowMenu, 2}};
    const bool frozen = spectro::FreezeOnFor(sliders[1]);
    {
        QPainter p(&img);
        for (int i = 0; i < 3; ++i) {
            const QRect track = Rect(sliderIds[i]);
            p.drawImage(track.topLeft(), art.sliderTrack);
            p.drawImage(QPoint(track.left() + 2, spectro::HandleTopFor(sliders[i])),
                        art.sliderHandle);
            p.drawImage(Rect(displayIds[i]).topLeft(), art.displayFace);
        }
        for (const auto& [id, entry] : menus) {
            p.drawImage(Rect(id).topLeft(), art.menuFace);
        }
        const QRect freeze = Rect(ControlId::FreezeButton);
        p.drawImage(freeze.topLeft(), art.freezeButton,
                    QRect(QPoint(0, frozen ? freeze.height() : 0), freeze.size()));
    }
    const QColor text = Color(art.palette.text);
    for (int i = 0; i < 3; ++i) {
        const QRect r = Rect(displayIds[i]);
        CentredText(img, art.valueFont, r, r.height(),
                    QString::fromStdString(spectro::DisplayText(displayIds[i], sliders[i])), text);
    }
    for (const auto& [id, entry] : menus) {
        CentredText(img, art.valueFont, Rect(id), kMenuTextRows,
                    QString::fromStdString(spectro::MenuEntries(id)[entry]), text);
    }
    if (kind == Mockup::MenuOpen) {
        // The window menu's list under its face: the current entry marked in the accent, the
        // one under the mouse on the hover colour.
        const QRect menu = Rect(ControlId::WindowMenu);
        const auto& entries = spectro::MenuEntries(ControlId::WindowMenu);
        const int rowHeight = art.listFont.height + 4;
        const QRect list(menu.left(), menu.bottom() + 2, 80, int(entries.size()) * rowHeight + 4);
        {
            QPainter p(&img);
            p.fillRect(list, Color(art.palette.listBorder));
            p.fillRect(list.adjusted(1, 1, -1, -1), Color(art.palette.listBackground));
            p.fillRect(
                QRect(list.left() + 1, list.top() + 2 + rowHeight, list.width() - 2, rowHeight),
                Color(art.palette.listHover));
            p.fillRect(QRect(list.left() + 3, list.top() + 2 + 2 * rowHeight + 3, 2, rowHeight - 6),
                       Color(art.palette.accent));
        }
        for (int i = 0; i < int(entries.size()); ++i) {
            art.listFont.Draw(
                img, list.left() + 9, list.top() + 2 + i * rowHeight + 2,
                QString::fromStdString(entries[i]),
                Color(i == 2 || i == 1 ? art.palette.text : art.palette.textSecondary));
        }
    }
    if (kind == Mockup::Splash) {
        QPainter p(&img);
        p.drawImage(QPoint(spectro::kSplashImageRect.left, spectro::kSplashImageRect.top),
                    art.splash);
    }
    return img;
}

QImage FontPicture(const FontStrip& font) {
    QImage img(QSize(font.width, font.height + 2), QImage::Format_RGB32);
    img.fill(Qt::black);
    for (int y = 0; y < font.height; ++y) {
        for (int x = 0; x < font.width; ++x) {
            const int c = font.coverage[std::size_t(y) * font.width + x];
            img.setPixel(x, y, qRgb(c, c, c));
        }
    }
    for (const GlyphCell& g : font.glyphs) {
        if (g.width > 0) {
            img.setPixel(g.x, font.height + 1, qRgb(255, 0, 0));
        }
    }
    return img;
}

} // namespace spectroart
