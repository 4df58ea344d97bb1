// The skinned window on a real X server: its outline is the window's shape, so the screen
// outside the outline keeps what was there before the window appeared.
#include "mainwindow/main_face.h"
#include "app/skin_preview.h"
#include "program_dir.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage ScreenArea(const QRect& area) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

TEST(SkinWindow, OnlyPixelsInsideTheOutlineArePainted) {
    MainFace face;
    face.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QString error;
    ASSERT_TRUE(face.LoadSkin(
        QString::fromStdString(testsupport::ProgramDir() + "skins/en/Default.sdf"), &error))
        << error.toStdString();
    FillPreview(face, PreviewState::Up);
    const QRect area(QPoint(40, 30), face.SkinSize());
    const QImage before = ScreenArea(area);
    face.move(area.topLeft());
    face.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&face));
    QTest::qWait(200); // the server composes the shaped window
    const QImage after = ScreenArea(area);
    const QImage drawn = PreviewPicture(face);

    int outside = 0;
    int inside = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            if (face.Outline().contains(QPoint(x, y))) {
                inside += after.pixel(x, y) == (drawn.pixel(x, y) | 0xff000000u);
            } else {
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
                ++outside;
            }
        }
    }
    EXPECT_GT(outside, 0);
    // The oscilloscope trace and the painted controls match the picture nearly everywhere.
    EXPECT_GT(inside, area.width() * area.height() * 9 / 10);
}

} // namespace
