// Loading the files a skin names into Qt objects: BMP bitmaps into QImage, region files into
// QRegion, cursor files (.cur, .ico, .ani) into QCursor. The file formats are checked by the
// portable part (skin/format) before Qt sees any byte, so that no size field of a file can make
// a decoder allocate for a picture the file cannot hold; Qt's image reader allocation limit is
// the second guard.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

#include "skin/format/skin_cursor.h"
#include "skin/format/skin_region.h"

// Skin file text (8-bit text in the Windows system code page) as a QString: UTF-8 when the bytes
// are valid UTF-8, else Latin-1.
QString DecodeSkinText(std::string_view text);
// A path between QString and the bytes the file system uses.
std::string SkinLocalPath(const QString& path);
QString SkinQtPath(std::string_view localPath);

// A BMP file ("BM" checked first; 1/4/8-bit palette, RLE, 16/24/32-bit) through Qt's BMP
// reader. False (out untouched) for anything CheckSkinBmp refuses or Qt cannot read.
bool LoadSkinBitmap(const QString& path, QImage& out);

// A region from rectangles (right and bottom exclusive), each corner scaled by the factors.
QRegion SkinRegionFromRects(const std::vector<SkinRect>& rects, double xScale = 1.0,
                            double yScale = 1.0);
// A region file. False (out untouched) when it cannot be read or is refused, or when a factor
// is not finite or beyond 64 either way.
bool LoadSkinRegion(const QString& path, double xScale, double yScale, QRegion& out);

// The picture of a cursor: PNG through Qt's PNG reader; a DIB through Qt's CUR reader when Qt
// has one (useQtReader), else decoded by DecodeSkinCursorDib. Null when it cannot be decoded.
QImage SkinCursorPicture(const SkinCursorData& data, bool useQtReader = true);
// The picture and hot spot of the first image of a .cur, .ico or .ani file.
bool LoadSkinCursorPicture(const QString& path, QImage& image, QPoint& hotSpot);
// A cursor from a .cur, .ico or .ani file (the first frame; animation is not played). False
// (out untouched) when it cannot be loaded.
bool LoadSkinCursor(const QString& path, QCursor& out);
