#include "font_strip.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <climits>

namespace spectroart {

namespace {

// One character drawn alone, with its ink's extent relative to the pen and the baseline.
struct RenderedGlyph {
    QImage image;
    int advance = 0;
    bool ink = false;
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN;
};

RenderedGlyph RenderGlyph(const QFont& font, QChar c, int pad, int fontAscent) {
    const QFontMetrics metrics(font);
    RenderedGlyph g;
    g.advance = metrics.horizontalAdvance(c);
    g.image = QImage(QSize(g.advance + 2 * pad, metrics.height() + 2 * pad),
                     QImage::Format_ARGB32_Premultiplied);
    g.image.fill(Qt::transparent);
    {
        QPainter p(&g.image);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPoint(pad, pad + fontAscent), QString(c));
    }
    for (int y = 0; y < g.image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(g.image.constScanLine(y));
        for (int x = 0; x < g.image.width(); ++x) {
            if (qAlpha(row[x]) > 0) {
                g.ink = true;
                g.left = std::min(g.left, x - pad);
                g.right = std::max(g.right, x - pad);
                g.top = std::min(g.top, y - pad - fontAscent);
                g.bottom = std::max(g.bottom, y - pad - fontAscent);
            }
        }
    }
    return g;
}

} // namespace

int FontStrip::Advance(const QString& text) const {
    int sum = 0;
    for (QChar c : text) {
        const int i = c.unicode() - kFirst;
        if (i < 0 || i >= kCount) {
            return -1;
        }
        sum += glyphs[i].advance;
    }
    return sum;
}

bool FontStrip::InkColumns(const QString& text, int& first, int& last) const {
    bool ink = false;
    int pen = 0;
    for (QChar c : text) {
        const int i = c.unicode() - kFirst;
        if (i < 0 || i >= kCount) {
            continue;
        }
        const GlyphCell& g = glyphs[i];
        for (int col = 0; col < g.width; ++col) {
            for (int row = 0; row < height; ++row) {
                if (coverage[std::size_t(row) * width + g.x + col] != 0) {
                    first = ink ? std::min(first, pen - 1 + col) : pen - 1 + col;
                    last = ink ? std::max(last, pen - 1 + col) : pen - 1 + col;
                    ink = true;
                    break;
                }
            }
        }
        pen += g.advance;
    }
    return ink;
}

void FontStrip::Draw(QImage& target, int penX, int top, const QString& text,
                     const QColor& color) const {
    for (QChar c : text) {
        const int i = c.unicode() - kFirst;
        if (i < 0 || i >= kCount) {
            continue;
        }
        const GlyphCell& g = glyphs[i];
        for (int row = 0; row < height; ++row) {
            const int y = top + row;
            if (y < 0 || y >= target.height()) {
                continue;
            }
            QRgb* line = reinterpret_cast<QRgb*>(target.scanLine(y));
            for (int col = 0; col < g.width; ++col) {
                const int x = penX - 1 + col;
                const int a = coverage[std::size_t(row) * width + g.x + col];
                if (x < 0 || x >= target.width() || a == 0) {
                    continue;
                }
                // Source over, premultiplied.
                const QRgb d = line[x];
                auto mix = [a](int s, int dst) { return (s * a + dst * (255 - a) + 127) / 255; };
                line[x] = qRgba(mix(color.red(), qRed(d)), mix(color.green(), qGreen(d)),
                                mix(color.blue(), qBlue(d)), mix(255, qAlpha(d)));
            }
        }
        penX += g.advance;
    }
}

bool RenderFontStrip(const QFont& font, FontStrip& strip, QString& error) {
    const QFontMetrics metrics(font);
    const int pad = metrics.height();
    std::vector<RenderedGlyph> rendered;
    int inkTop = INT_MAX, inkBottom = INT_MIN;
    for (int i = 0; i < FontStrip::kCount; ++i) {
        const QChar c(FontStrip::kFirst + i);
        rendered.push_back(RenderGlyph(font, c, pad, metrics.ascent()));
        const RenderedGlyph& g = rendered.back();
        if (g.advance < 0 || g.advance > 255) {
            error = QStringLiteral("'%1' advances %2 pixels").arg(c).arg(g.advance);
            return false;
        }
        if (!g.ink) {
            continue;
        }
        if (g.left < -1) {
            error = QStringLiteral("'%1' reaches %2 pixels left of the pen").arg(c).arg(-g.left);
            return false;
        }
        if (g.right + 2 > 255) {
            error = QStringLiteral("'%1' is too wide").arg(c);
            return false;
        }
        inkTop = std::min(inkTop, g.top);
        inkBottom = std::max(inkBottom, g.bottom);
    }
    const RenderedGlyph& zero = rendered['0' - FontStrip::kFirst];
    if (!zero.ink || inkTop > inkBottom) {
        error = QStringLiteral("the font draws no digits");
        return false;
    }
    // Rows relative to the baseline: the strip's middle (top + height / 2) lies at the middle
    // of the digits, in half rows: 2 * top + height == zero.top + zero.bottom + 1.
    const int middle2 = zero.top + zero.bottom + 1;
    int top = inkTop;
    int height = middle2 - 2 * top;
    while (top + height < inkBottom + 1) {
        --top;
        height += 2;
    }
    strip.pixelSize = font.pixelSize();
    strip.height = height;
    strip.ascent = -top;
    strip.width = 0;
    for (int i = 0; i < FontStrip::kCount; ++i) {
        const RenderedGlyph& g = rendered[i];
        strip.glyphs[i] = {strip.width, g.ink ? g.right + 2 : 0, g.advance};
        strip.width += strip.glyphs[i].width;
    }
    if (strip.width > 32767) {
        error = QStringLiteral("the strip is %1 columns wide").arg(strip.width);
        return false;
    }
    strip.coverage.assign(std::size_t(strip.width) * height, 0);
    for (int i = 0; i < FontStrip::kCount; ++i) {
        const RenderedGlyph& g = rendered[i];
        const GlyphCell& cell = strip.glyphs[i];
        for (int row = 0; row < height; ++row) {
            const int y = pad + metrics.ascent() + top + row;
            if (y < 0 || y >= g.image.height()) {
                continue;
            }
            const QRgb* line = reinterpret_cast<const QRgb*>(g.image.constScanLine(y));
            for (int col = 0; col < cell.width; ++col) {
                strip.coverage[std::size_t(row) * strip.width + cell.x + col] =
                    std::uint8_t(qAlpha(line[pad - 1 + col]));
            }
        }
    }
    return true;
}

} // namespace spectroart
