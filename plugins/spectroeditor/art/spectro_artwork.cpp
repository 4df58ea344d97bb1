#include "spectro_artwork.h"

#include "skin/art/art_paint.h"
#include "spectro_controls.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainterPath>
#include <QSet>

#include <algorithm>

namespace spectroart {

using namespace skinart;
using spectro::ControlId;
using spectro::SpecOf;

namespace {

// The window's layout around the controls (the controls' own rectangles are the editor's).
constexpr QSize kWindow(300, 250);
const QRect kSliderPanel(5, 5, 159, 206);
const QRect kOptionPanel(167, 5, 128, 206);
constexpr int kStripTop = 215;
// The freeze button's face inside its 78 x 39 cell: the rest is room for the glow.
constexpr int kFreezeInset = 2;
constexpr int kCardPadding = 16;

QRect ToQRect(const spectro::Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QRect Rect(ControlId id) {
    return ToQRect(SpecOf(id).rect);
}

std::uint32_t Rgb(const QColor& c) {
    return c.rgb() & 0xffffffu;
}

class Drawer {
public:
    explicit Drawer(const Theme& theme) : t(theme) {}

    const Theme& t;
    QStringList problems;

    static int Width(const QString& text, const QFont& font) {
        return QFontMetrics(font).horizontalAdvance(text);
    }

    // One line of text aligned in box; a problem when it is wider or taller than the box.
    void Text(QPainter& p, const QRect& box, const QString& text, const QFont& font,
              const QColor& color, Qt::Alignment align, const QString& where) {
        const QFontMetrics m(font);
        if (Width(text, font) > box.width() || m.ascent() + m.descent() > box.height()) {
            problems << QStringLiteral("%1: \"%2\" (%3 x %4 px) does not fit in %5 x %6 px")
                            .arg(where, text)
                            .arg(Width(text, font))
                            .arg(m.ascent() + m.descent())
                            .arg(box.width())
                            .arg(box.height());
        }
        p.save();
        p.setFont(font);
        p.setPen(color);
        p.drawText(box, int(align) | Qt::TextSingleLine, text);
        p.restore();
    }

    // Text drawn horizontally into its own picture (advance x line height), to be turned.
    QImage TextPicture(const QString& text, const QFont& font, const QColor& color) const {
        const QFontMetrics m(font);
        QImage img = NewImage(QSize(Width(text, font), m.height()));
        QPainter p(&img);
        Prepare(p);
        p.setFont(font);
        p.setPen(color);
        p.drawText(QPoint(0, m.ascent()), text);
        return img;
    }

    // Words of text broken into lines no wider than width.
    static QStringList Wrap(const QString& text, const QFont& font, int width) {
        QStringList lines;
        QString line;
        for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (!line.isEmpty() && Width(longer, font) > width) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        if (!line.isEmpty()) {
            lines << line;
        }
        return lines;
    }

    // The product mark: small signal bars in the accent, centred on middle; returns their end.
    int Bars(QPainter& p, int x, int middle) const {
        const int heights[] = {6, 12, 16, 10, 4};
        for (int h : heights) {
            QPainterPath bar;
            bar.addRoundedRect(QRectF(x, middle - h / 2.0, 2, h), 1, 1);
            p.fillPath(bar, t.accent);
            x += 4;
        }
        return x;
    }

    QImage Background();
    QImage SliderTrack() const;
    QImage SliderHandle(bool hover) const;
    QImage MenuFace(bool hover) const;
    QImage DisplayFace() const;
    QImage FreezeButton(bool hover);
    QImage Splash();
};

QImage Drawer::Background() {
    QImage img = NewImage(kWindow);
    img.fill(t.window);
    QPainter p(&img);
    Prepare(p);

    // The title strip along the bottom, lit from above like the skins' title strip.
    QLinearGradient band(0, kStripTop, 0, kWindow.height());
    band.setColorAt(0, Mix(t.window, t.faceUp, 0.45));
    band.setColorAt(1, Mix(t.window, t.faceUp, 0.15));
    p.fillRect(QRect(0, kStripTop, kWindow.width(), kWindow.height() - kStripTop), band);
    p.fillRect(QRect(0, kStripTop, kWindow.width(), 1), t.windowBorder);
    // The name sits in the middle of the area that opens the information card.
    const QRect about = Rect(ControlId::Splash);
    const int middle = about.top() + about.height() / 2;
    int x = Bars(p, about.left() + 3, middle) + 6;
    const QFont nameFont = t.Font(t.namePx, true);
    const int nameWidth = Width(QStringLiteral("Spectro"), nameFont);
    Text(p, QRect(x, kStripTop + 1, nameWidth + 1, kWindow.height() - kStripTop - 2),
         QStringLiteral("Spectro"), nameFont, t.text, Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("title strip"));
    // The hint that the name opens the information card: the about glyph and its word.
    x += nameWidth + 10;
    Glyph(p, QRectF(x, middle - 6.5, 13, 13), QStringLiteral("about"), t.textSecondary,
          t.glyphWidth);
    x += 17;
    const QFont hintFont = t.Font(t.smallPx);
    Text(p, QRect(x, about.top(), about.right() + 1 - x, about.height()), QStringLiteral("about"),
         hintFont, t.textSecondary, Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("title strip"));

    for (const QRect& panel : {kSliderPanel, kOptionPanel}) {
        FlatFace(p, panel, t.panelRadius, t.panel, t.panelBorder);
        TopHighlight(p, t, panel, t.panelRadius);
    }

    // Sliders: their names upright beside the tracks, reading upwards, left of each track with
    // room for a focus ring around it.
    const QFont labelFont = t.Font(t.labelPx);
    const std::pair<ControlId, const char*> sliders[] = {
        {ControlId::GateSlider, "Spectral Gating"},
        {ControlId::BlurSlider, "Spectral Blurring"},
        {ControlId::PitchSlider, "Pitch Scaling"},
    };
    for (const auto& [id, name] : sliders) {
        const QRect track = Rect(id);
        const QString title = QString::fromLatin1(name);
        const QImage turned =
            TextPicture(title, labelFont, t.textSecondary).transformed(QTransform().rotate(-90));
        if (turned.height() > track.height()) {
            problems << QStringLiteral("slider label \"%1\" is longer than its track").arg(title);
        }
        p.drawImage(QPoint(track.left() - 2 - turned.width(),
                           track.top() + (track.height() - turned.height()) / 2),
                    turned);
    }

    // Menus sit in a shallow recess; their names to their right, level with the entry text.
    const std::pair<ControlId, const char*> menus[] = {
        {ControlId::FftMenu, "FFT Size"},
        {ControlId::OverlapsMenu, "Overlaps"},
        {ControlId::WindowMenu, "Window"},
    };
    for (const auto& [id, name] : menus) {
        const QRect menu = Rect(id);
        FlatFace(p, menu.adjusted(-1, -1, 1, 1), t.controlRadius + 1, Mix(t.panel, t.well, 0.6),
                 QColor(Qt::transparent));
        const int left = menu.right() + 7;
        Text(p, QRect(left, menu.top(), kOptionPanel.right() - 4 - left, kMenuTextRows),
             QString::fromLatin1(name), labelFont, t.textSecondary,
             Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("menu label"));
    }
    const QRect freeze = Rect(ControlId::FreezeButton);
    const QRect lastMenu = Rect(ControlId::WindowMenu);
    p.fillRect(QRect(lastMenu.left(), (lastMenu.bottom() + 1 + freeze.top()) / 2,
                     kOptionPanel.right() - 7 - lastMenu.left(), 1),
               t.panelBorder);
    FlatFace(
        p, freeze.adjusted(kFreezeInset - 1, kFreezeInset - 1, 1 - kFreezeInset, 1 - kFreezeInset),
        t.controlRadius + 1, Mix(t.panel, t.well, 0.6), QColor(Qt::transparent));

    // The window's edge.
    const int w = kWindow.width(), h = kWindow.height();
    for (const QRect& edge :
         {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)}) {
        p.fillRect(edge, t.windowBorder);
    }
    return img;
}

QImage Drawer::SliderTrack() const {
    const QRect track = Rect(ControlId::GateSlider);
    QImage img = NewImage(track.size());
    QPainter p(&img);
    Prepare(p);
    // Ticks every tenth, longer at the ends and the middle, level with the handle's middle.
    for (int i = 0; i <= 10; ++i) {
        const int row =
            spectro::HandleTopFor(i / 10.0f) - spectro::kHandleTop + spectro::kHandleHeight / 2 - 1;
        const bool major = i % 5 == 0;
        const int length = major ? 5 : 3;
        const QColor color = Mix(t.panel, t.textSecondary, major ? 0.45 : 0.3);
        p.fillRect(QRect(7 - length, row, length, 1), color);
        p.fillRect(QRect(18, row, length, 1), color);
    }
    // The groove the handle runs in, centred.
    const QRectF groove(10, 6, 5, track.height() - 12);
    QPainterPath path;
    path.addRoundedRect(groove, 2.5, 2.5);
    p.fillPath(path, t.well);
    p.setPen(QPen(t.wellBorder, 1));
    p.drawRoundedRect(groove.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    return img;
}

QImage Drawer::SliderHandle(bool hover) const {
    QImage img = NewImage(QSize(spectro::kHandleWidth, spectro::kHandleHeight));
    QPainter p(&img);
    Prepare(p);
    const QRect face(0, 0, img.width(), img.height() - 1);
    // A soft shadow under the cap, then the cap with an accent line across its middle.
    FlatFace(p, face.translated(0, 1), t.smallRadius, QColor(0, 0, 0, 90), QColor(Qt::transparent));
    RaisedFace(p, t, face, t.smallRadius, Mix(t.faceOver, t.text, hover ? 0.2 : 0.1),
               Mix(t.faceBorder, t.text, hover ? 0.35 : 0.2));
    const QColor groove = Mix(t.faceOver, Qt::black, 0.3);
    p.fillRect(QRect(5, 4, img.width() - 10, 1), groove);
    p.fillRect(QRect(5, 15, img.width() - 10, 1), groove);
    p.fillRect(QRect(2, spectro::kHandleHeight / 2 - 1, img.width() - 4, 2), t.accent);
    return img;
}

QImage Drawer::MenuFace(bool hover) const {
    const QRect rect = Rect(ControlId::FftMenu);
    QImage img = NewImage(rect.size());
    QPainter p(&img);
    Prepare(p);
    RaisedFace(p, t, QRect(QPoint(0, 0), rect.size()), t.controlRadius,
               hover ? t.faceOver : t.faceUp, t.faceBorder);
    // The caret under the text.
    const double middle = kMenuTextRows + (rect.height() - kMenuTextRows) / 2.0 - 2;
    Glyph(p, QRectF(rect.width() / 2.0 - 5, middle - 5, 10, 10), QStringLiteral("choose"),
          t.textSecondary, t.glyphWidth);
    return img;
}

QImage Drawer::DisplayFace() const {
    const QRect rect = Rect(ControlId::GateDisplay);
    QImage img = NewImage(rect.size());
    QPainter p(&img);
    Prepare(p);
    FlatFace(p, QRect(QPoint(0, 0), rect.size()), t.smallRadius - 1, t.well, t.wellBorder);
    return img;
}

QImage Drawer::FreezeButton(bool hover) {
    const QSize cell = Rect(ControlId::FreezeButton).size();
    QImage img = NewImage(QSize(cell.width(), 2 * cell.height()));
    QPainter p(&img);
    Prepare(p);
    const QRect face = QRect(QPoint(0, 0), cell)
                           .adjusted(kFreezeInset, kFreezeInset, -kFreezeInset, -kFreezeInset);
    const QFont font = t.Font(t.captionPx, true);
    const QString caption = QStringLiteral("Freeze");
    RaisedFace(p, t, face, t.controlRadius, hover ? t.faceOver : t.faceUp, t.faceBorder);
    Text(p, face, caption, font, t.text, Qt::AlignCenter, QStringLiteral("freeze button"));
    // On: the accent face with its glow, all inside the lower cell.
    const QRect on = face.translated(0, cell.height());
    p.setClipRect(QRect(QPoint(0, cell.height()), cell));
    Glow(p, on, t.controlRadius, kFreezeInset, t.accent, t.glow);
    const QColor accent = hover ? Mix(t.accent, Qt::white, 0.15) : t.accent;
    RaisedFace(p, t, on, t.controlRadius, accent, Mix(accent, Qt::white, 0.25));
    Text(p, on, caption, font, t.onAccent, Qt::AlignCenter, QStringLiteral("freeze button"));
    return img;
}

QImage Drawer::Splash() {
    const QRect rect(QPoint(0, 0),
                     QSize(spectro::kSplashImageRect.right - spectro::kSplashImageRect.left,
                           spectro::kSplashImageRect.bottom - spectro::kSplashImageRect.top));
    QImage img = NewImage(rect.size());
    QPainter p(&img);
    Prepare(p);
    // A card a step above the panels it lies on, with the accent along its top.
    FlatFace(p, rect, t.panelRadius, Mix(t.panel, t.faceUp, 0.5), t.faceBorder);
    TopHighlight(p, t, rect, t.panelRadius);

    const int left = kCardPadding, right = rect.width() - kCardPadding;
    int y = 12;
    const int nameX = Bars(p, left, y + 11) + 6;
    Text(p, QRect(nameX, y, right - nameX, 22), QStringLiteral("Spectro"), t.Font(t.namePx, true),
         t.text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("information card"));
    y += 24;
    Text(p, QRect(left, y, right - left, 16), QStringLiteral("Phase-vocoder pitch shifter"),
         t.Font(t.labelPx), t.textSecondary, Qt::AlignLeft | Qt::AlignVCenter,
         QStringLiteral("information card"));
    y += 22;
    p.fillRect(QRect(left, y, right - left, 1), t.faceBorder);
    y += 7;

    // What each control does: its name, then a short description.
    const std::pair<const char*, const char*> rows[] = {
        {"Gate", "mutes weak frequency bins"},      {"Blur", "smooths each bin over time"},
        {"Freeze", "holds the spectrum"},           {"Pitch", "shift in semitones, \u00b124"},
        {"FFT size", "frequency detail per frame"}, {"Overlaps", "frames per FFT length"},
        {"Window", "shape of the analysis window"},
    };
    const QFont term = t.Font(t.smallPx, true);
    const QFont body = t.Font(t.smallPx);
    const QFontMetrics bm(body);
    const int column = left + 62;
    const int lineHeight = bm.height() + 3;
    for (const auto& [name, description] : rows) {
        Text(p, QRect(left, y, column - 6 - left, lineHeight), QString::fromLatin1(name), term,
             t.text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("information card"));
        const QStringList lines = Wrap(QString::fromUtf8(description), body, right - column);
        for (const QString& line : lines) {
            Text(p, QRect(column, y, right - column, lineHeight), line, body, t.textSecondary,
                 Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("information card"));
            y += lineHeight;
        }
    }
    const QFontMetrics sm(body);
    const QRect close(left, rect.height() - 12 - sm.height(), right - left, sm.height());
    if (y + 6 > close.top()) {
        problems << QStringLiteral("information card: the descriptions reach %1 px past the "
                                   "room above \"Click to close\"")
                        .arg(y + 6 - close.top());
    }
    Text(p, close, QStringLiteral("Click to close"), body, t.textSecondary, Qt::AlignCenter,
         QStringLiteral("information card"));
    return img;
}

// The largest size of the theme's face, up to its small size, whose every display text fits a
// display's inside and every menu entry a menu face with its margins.
bool ChooseValueFont(const Theme& t, FontStrip& chosen, QString& error) {
    const QSize display = Rect(ControlId::GateDisplay).size();
    const QSize menu = Rect(ControlId::FftMenu).size();
    const QStringList displayTexts = DisplayTexts(), menuTexts = MenuTexts();
    for (int px = t.smallPx; px >= 6; --px) {
        FontStrip strip;
        if (!RenderFontStrip(t.Font(px), strip, error)) {
            error = QStringLiteral("value font at %1 px: %2").arg(px).arg(error);
            return false;
        }
        bool fits = strip.height <= display.height() - 2 && strip.height <= kMenuTextRows;
        // Measured by advances as the editor centres them, and by ink where it lands then.
        auto fitsInside = [&strip](const QString& text, int width, int margin) {
            const int advance = strip.Advance(text);
            const int pen = (width - advance) / 2;
            int first = 0, last = 0;
            return advance <= width - 2 * margin &&
                   (!strip.InkColumns(text, first, last) ||
                    (pen + first >= margin && pen + last < width - margin));
        };
        for (const QString& text : displayTexts) {
            fits = fits && fitsInside(text, display.width(), 1);
        }
        for (const QString& text : menuTexts) {
            fits = fits && fitsInside(text, menu.width(), 1 + kMenuTextMargin);
        }
        if (fits) {
            chosen = strip;
            return true;
        }
    }
    error = QStringLiteral("no size of \"%1\" fits the value displays and menus").arg(t.face);
    return false;
}

} // namespace

QStringList DisplayTexts() {
    QSet<QString> texts;
    for (ControlId id : {ControlId::GateDisplay, ControlId::BlurDisplay, ControlId::PitchDisplay}) {
        for (int i = 0; i <= 10000; ++i) {
            texts.insert(QString::fromStdString(spectro::DisplayText(id, float(i) / 10000.0f)));
        }
    }
    QStringList list = texts.values();
    list.sort();
    return list;
}

QStringList MenuTexts() {
    QStringList list;
    for (ControlId id : {ControlId::FftMenu, ControlId::OverlapsMenu, ControlId::WindowMenu}) {
        for (const std::string& entry : spectro::MenuEntries(id)) {
            list << QString::fromStdString(entry);
        }
    }
    return list;
}

bool DrawArtwork(const Theme& theme, Artwork& art, QString& error) {
    if (!ChooseValueFont(theme, art.valueFont, error)) {
        return false;
    }
    if (!RenderFontStrip(theme.Font(theme.labelPx), art.listFont, error)) {
        error = QStringLiteral("list font: %1").arg(error);
        return false;
    }
    Drawer d(theme);
    art.background = d.Background();
    art.sliderTrack = d.SliderTrack();
    art.sliderHandle = d.SliderHandle(false);
    art.sliderHandleHover = d.SliderHandle(true);
    art.menuFace = d.MenuFace(false);
    art.menuFaceHover = d.MenuFace(true);
    art.displayFace = d.DisplayFace();
    art.freezeButton = d.FreezeButton(false);
    art.freezeButtonHover = d.FreezeButton(true);
    art.splash = d.Splash();
    art.palette = {Rgb(theme.text),       Rgb(theme.textSecondary), Rgb(theme.panel),
                   Rgb(theme.faceBorder), Rgb(theme.faceOver),      Rgb(theme.accent),
                   Rgb(theme.accent)};
    if (!d.problems.isEmpty()) {
        error = d.problems.join(QLatin1Char('\n'));
        return false;
    }
    for (int y = 0; y < art.background.height(); ++y) {
        for (int x = 0; x < art.background.width(); ++x) {
            if (qAlpha(art.background.pixel(x, y)) != 255) {
                error = QStringLiteral("the background is not opaque at %1,%2").arg(x).arg(y);
                return false;
            }
        }
    }
    return true;
}

} // namespace spectroart
