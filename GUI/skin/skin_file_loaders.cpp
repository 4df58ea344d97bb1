#include "skin/skin_file_loaders.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "skin/format/skin_bmp.h"
#include "skin/format/skin_bytes.h"

namespace {

QByteArray AsByteArray(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Reads one picture with the named Qt reader; null when Qt refuses it or it does not have the
// expected size.
QImage ReadWithQt(const QByteArray& bytes, const char* format, QSize expected) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull() || image.size() != expected)
        return QImage();
    return image;
}

bool QtReads(const char* format) {
    return QImageReader::supportedImageFormats().contains(QByteArray(format));
}

int ScaleCoordinate(std::int32_t v, double scale) {
    return static_cast<int>(std::lround(static_cast<double>(v) * scale));
}

// The union of rects[begin, end), halving the range so that a file of many rectangles costs
// n log n region operations instead of n squared.
QRegion UnionOf(const std::vector<QRect>& rects, std::size_t begin, std::size_t end) {
    if (end - begin == 0)
        return QRegion();
    if (end - begin == 1)
        return QRegion(rects[begin]);
    const std::size_t middle = begin + (end - begin) / 2;
    return UnionOf(rects, begin, middle).united(UnionOf(rects, middle, end));
}

} // namespace

QString DecodeSkinText(std::string_view text) {
    const QByteArrayView bytes(text.data(), static_cast<qsizetype>(text.size()));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(bytes);
}

std::string SkinLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString SkinQtPath(std::string_view localPath) {
    return QFile::decodeName(
        QByteArray(localPath.data(), static_cast<qsizetype>(localPath.size())));
}

bool LoadSkinBitmap(const QString& path, QImage& out) {
    std::vector<std::uint8_t> bytes;
    if (path.isEmpty() || ReadSkinFileBytes(SkinLocalPath(path), kMaxSkinBitmapBytes, bytes) != 0)
        return false;
    SkinBmpInfo info;
    if (!CheckSkinBmp(bytes.data(), bytes.size(), info))
        return false;
    const std::vector<std::uint8_t> fixed = NormalizedSkinBmp(bytes.data(), bytes.size(), info);
    QImage image = ReadWithQt(AsByteArray(fixed), "bmp", QSize(info.width, info.height));
    if (image.isNull())
        return false;
    out = image;
    return true;
}

QRegion SkinRegionFromRects(const std::vector<SkinRect>& rects, double xScale, double yScale) {
    std::vector<QRect> scaled;
    scaled.reserve(rects.size());
    for (const SkinRect& r : rects) {
        int left = ScaleCoordinate(r.left, xScale);
        int right = ScaleCoordinate(r.right, xScale);
        int top = ScaleCoordinate(r.top, yScale);
        int bottom = ScaleCoordinate(r.bottom, yScale);
        if (left > right)
            std::swap(left, right); // a negative factor mirrors
        if (top > bottom)
            std::swap(top, bottom);
        if (right > left && bottom > top)
            scaled.emplace_back(left, top, right - left, bottom - top);
    }
    return UnionOf(scaled, 0, scaled.size());
}

bool LoadSkinRegion(const QString& path, double xScale, double yScale, QRegion& out) {
    if (!std::isfinite(xScale) || !std::isfinite(yScale) || std::fabs(xScale) > 64.0 ||
        std::fabs(yScale) > 64.0)
        return false;
    std::vector<SkinRect> rects;
    int error = 0;
    if (path.isEmpty() || !LoadSkinRegionFile(SkinLocalPath(path), rects, error))
        return false;
    out = SkinRegionFromRects(rects, xScale, yScale);
    return true;
}

QImage SkinCursorPicture(const SkinCursorData& data, bool useQtReader) {
    const QSize size(data.image.width, data.image.height);
    if (data.image.png)
        return ReadWithQt(AsByteArray(data.imageBytes), "png", size);
    if (useQtReader && QtReads("cur")) {
        QImage image = ReadWithQt(AsByteArray(data.curFile), "cur", size);
        if (!image.isNull())
            return image;
    }
    SkinArgbImage decoded;
    if (!DecodeSkinCursorDib(data.imageBytes.data(), data.imageBytes.size(), decoded))
        return QImage();
    QImage image(decoded.width, decoded.height, QImage::Format_ARGB32);
    if (image.isNull())
        return QImage();
    for (int y = 0; y < decoded.height; ++y)
        std::memcpy(image.scanLine(y),
                    decoded.pixels.data() + static_cast<std::size_t>(y) * decoded.width,
                    static_cast<std::size_t>(decoded.width) * 4);
    return image;
}

bool LoadSkinCursorPicture(const QString& path, QImage& image, QPoint& hotSpot) {
    SkinCursorData data;
    int error = 0;
    if (path.isEmpty() || !LoadSkinCursorFile(SkinLocalPath(path), data, error))
        return false;
    QImage picture = SkinCursorPicture(data);
    if (picture.isNull())
        return false;
    image = picture;
    hotSpot = QPoint(data.hotX, data.hotY);
    return true;
}

bool LoadSkinCursor(const QString& path, QCursor& out) {
    QImage image;
    QPoint hotSpot;
    if (!LoadSkinCursorPicture(path, image, hotSpot))
        return false;
    QPixmap pixmap = QPixmap::fromImage(image);
    if (pixmap.isNull())
        return false;
    out = QCursor(pixmap, hotSpot.x(), hotSpot.y());
    return true;
}
