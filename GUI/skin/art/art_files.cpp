#include "art_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace skinart {

namespace {

void Put16(QByteArray& out, quint32 v) {
    out.append(char(v & 0xff));
    out.append(char((v >> 8) & 0xff));
}

void Put32(QByteArray& out, quint32 v) {
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER: height is given by the caller (a cursor doubles it).
void PutInfoHeader(QByteArray& out, int width, int height, int bits, quint32 imageBytes) {
    Put32(out, 40);
    Put32(out, quint32(width));
    Put32(out, quint32(height));
    Put16(out, 1);
    Put16(out, quint32(bits));
    Put32(out, 0); // BI_RGB
    Put32(out, imageBytes);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
}

} // namespace

QByteArray BmpData(const QImage& image) {
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const int w = img.width();
    const int h = img.height();
    const int stride = (w * 3 + 3) & ~3;
    const quint32 imageBytes = quint32(stride) * quint32(h);
    QByteArray out;
    out.reserve(54 + int(imageBytes));
    out.append("BM");
    Put32(out, 54 + imageBytes);
    Put32(out, 0);
    Put32(out, 54);
    PutInfoHeader(out, w, h, 24, imageBytes);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
        }
        out.append(QByteArray(stride - w * 3, '\0'));
    }
    return out;
}

std::vector<QRect> MaskRectangles(const QImage& mask) {
    const QImage img = mask.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRect> rects;    // right and bottom exclusive, stored as (x1, y1, x2, y2)
    std::vector<QRect> previous; // the band of the line above, still open
    auto close = [&rects](std::vector<QRect>& band) {
        rects.insert(rects.end(), band.begin(), band.end());
        band.clear();
    };
    for (int y = 0; y < img.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        std::vector<QRect> runs;
        for (int x = 0; x < img.width();) {
            if (qAlpha(line[x]) < 128) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < img.width() && qAlpha(line[x]) >= 128) {
                ++x;
            }
            runs.push_back(QRect(QPoint(start, y), QPoint(x, y + 1)));
        }
        bool same = runs.size() == previous.size();
        for (std::size_t i = 0; same && i < runs.size(); ++i) {
            same = runs[i].left() == previous[i].left() && runs[i].right() == previous[i].right();
        }
        if (same && !runs.empty()) {
            for (QRect& r : previous) {
                r.setBottom(y + 1);
            }
        } else {
            close(previous);
            previous = runs;
        }
    }
    close(previous);
    return rects;
}

QByteArray RegionData(const std::vector<QRect>& rects) {
    int left = 0, top = 0, right = 0, bottom = 0;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const QRect& r = rects[i];
        left = i == 0 ? r.left() : std::min(left, r.left());
        top = i == 0 ? r.top() : std::min(top, r.top());
        right = i == 0 ? r.right() : std::max(right, r.right());
        bottom = i == 0 ? r.bottom() : std::max(bottom, r.bottom());
    }
    QByteArray out;
    Put32(out, 32);
    Put32(out, 1);
    Put32(out, quint32(rects.size()));
    Put32(out, quint32(rects.size() * 16));
    for (int v : {left, top, right, bottom}) {
        Put32(out, quint32(v));
    }
    for (const QRect& r : rects) {
        for (int v : {r.left(), r.top(), r.right(), r.bottom()}) {
            Put32(out, quint32(v));
        }
    }
    return out;
}

QByteArray CursorData(const QImage& image, QPoint hotSpot) {
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width();
    const int h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    const quint32 xorBytes = quint32(w * h * 4);
    const quint32 andBytes = quint32(maskStride * h);
    const quint32 dibBytes = 40 + xorBytes + andBytes;
    QByteArray out;
    Put16(out, 0); // ICONDIR: reserved, type 2 (cursor), one image
    Put16(out, 2);
    Put16(out, 1);
    out.append(char(w >= 256 ? 0 : w)); // ICONDIRENTRY
    out.append(char(h >= 256 ? 0 : h));
    out.append('\0');
    out.append('\0');
    Put16(out, quint32(hotSpot.x()));
    Put16(out, quint32(hotSpot.y()));
    Put32(out, dibBytes);
    Put32(out, 6 + 16);
    PutInfoHeader(out, w, h * 2, 32, xorBytes + andBytes);
    for (int y = h - 1; y >= 0; --y) { // premultiplication is not used by cursors: straight BGRA
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(qAlpha(line[x])));
        }
    }
    for (int y = h - 1; y >= 0; --y) { // AND mask: 1 = transparent
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        QByteArray row(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) == 0) {
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

bool WriteFileIfChanged(const QString& path, const QByteArray& data) {
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == data) {
        return true;
    }
    existing.close();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(data) == data.size() && file.flush();
}

} // namespace skinart
