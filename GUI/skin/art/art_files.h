// The file formats the skin parser reads, written byte by byte so that the same picture always
// gives the same file: BMP pictures, region data and cursors.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <vector>

namespace skinart {

// An uncompressed 24-bit bottom-up BMP ("BM", 14-byte file header, 40-byte info header).
QByteArray BmpData(const QImage& image);

// The rectangles covering the opaque pixels of mask (alpha >= 128), one run per scan line,
// runs of consecutive lines with the same extents merged; right and bottom are exclusive.
std::vector<QRect> MaskRectangles(const QImage& mask);
// Region data: a 32-byte header (size 32, type 1, count, data size, bounding rectangle) and the
// rectangles as left, top, right, bottom, every number a 32-bit little-endian integer.
QByteArray RegionData(const std::vector<QRect>& rects);

// A ".cur" file of one 32-bit picture with its AND mask and hot spot.
QByteArray CursorData(const QImage& image, QPoint hotSpot);

// Writes data to path unless the file already holds exactly these bytes; false on failure.
bool WriteFileIfChanged(const QString& path, const QByteArray& data);

} // namespace skinart
