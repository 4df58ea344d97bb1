// Helpers of the skinned controls' tests: solid pictures, off-screen renders, pixel checks.
#pragma once

#include <QApplication>
#include <QColor>
#include <QCursor>
#include <QImage>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace fftest {

inline QImage Solid(int width, int height, const QColor& color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// The widget as drawn off screen.
inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline QColor Pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Every pixel of rect (default: the whole image) has color.
inline ::testing::AssertionResult AllPixels(const QImage& image, const QColor& color,
                                            QRect rect = QRect()) {
    if (rect.isNull())
        rect = image.rect();
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (QColor(image.pixel(x, y)) != color)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is "
                       << QColor(image.pixel(x, y)).name().toStdString() << ", not "
                       << color.name().toStdString();
        }
    }
    return ::testing::AssertionSuccess();
}

inline int CountPixels(const QImage& image, const QColor& color) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += QColor(image.pixel(x, y)) == color ? 1 : 0;
    }
    return count;
}

// A shown top-level window to hold the control under test.
class Host : public QWidget {
public:
    explicit Host(QSize size = QSize(240, 160)) { resize(size); }
    void ShowAndWait() {
        // The cursor away from every window first: a window shown under the last cursor
        // position would get an enter event there.
        QCursor::setPos(QPoint(-100, -100));
        QCoreApplication::processEvents();
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
        QApplication::setActiveWindow(this);
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
        QTest::mouseMove(this, QPoint(1, 1)); // the tests put no control there
    }
};

} // namespace fftest
