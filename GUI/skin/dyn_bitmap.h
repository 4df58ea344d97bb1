// CDynBitmap: one picture loaded from a skin BMP file ("BM" checked first; 1/4/8-bit palette,
// RLE, 16/24/32-bit). Null until a load succeeds.
#pragma once

#include <QImage>
#include <QString>

class CDynBitmap {
public:
    // Loads the BMP file; false (and the bitmap keeps what it had) when it is not a readable BMP.
    bool Load(const QString& path);
    void Clear() { image_ = QImage(); }
    bool IsNull() const { return image_.isNull(); }
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image) { image_ = image; }

private:
    QImage image_;
};
