// CFFSliderCtrl: the channel-click rule in both orientations, dragging, keys, the
// thumb's transparent colour and stretched pieces, rendered off screen.
#include "ff_test_util.h"
#include "skin/ff_slider_ctrl.h"

#include <QAccessible>
#include <QSignalSpy>

using fftest::AllPixels;
using fftest::Pixel;
using fftest::Render;
using fftest::Solid;

namespace {

constexpr int kLength = 110; // the thumb is 10 long: its centre runs over 5 .. 105
constexpr int kThickness = 20;

struct SliderFixture {
    explicit SliderFixture(Qt::Orientation orientation) : slider(new CFFSliderCtrl(&host)) {
        slider->setOrientation(orientation);
        if (orientation == Qt::Horizontal) {
            slider->setGeometry(10, 10, kLength, kThickness);
            slider->SetPicture(CFFSliderCtrl::Thumb, Solid(10, 16, QColor(255, 255, 0)));
        } else {
            slider->setGeometry(10, 10, kThickness, kLength);
            slider->SetPicture(CFFSliderCtrl::Thumb, Solid(16, 10, QColor(255, 255, 0)));
        }
        host.ShowAndWait();
    }
    fftest::Host host;
    CFFSliderCtrl* slider;
};

} // namespace

TEST(FFSliderCtrl, RangeIsZeroToHundred) {
    CFFSliderCtrl slider;
    EXPECT_EQ(slider.minimum(), 0);
    EXPECT_EQ(slider.maximum(), 100);
}

TEST(FFSliderCtrl, ChannelClickAtTheMiddleGivesTheMiddleHorizontal) {
    SliderFixture f(Qt::Horizontal);
    QSignalSpy moved(f.slider, &QAbstractSlider::sliderMoved);
    QSignalSpy actions(f.slider, &QAbstractSlider::actionTriggered);
    QSignalSpy user(f.slider, &CFFSliderCtrl::userMoved);
    ASSERT_EQ(f.slider->value(), 0);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(kLength / 2, kThickness / 2));
    EXPECT_EQ(f.slider->value(), 50);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_GE(actions.count(), 1);
    ASSERT_EQ(user.count(), 1);
    EXPECT_EQ(user.at(0).at(0).toInt(), 50);
    // Ends: half a thumb from each end is the minimum and the maximum; beyond is clamped.
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(kLength - 1, 5));
    EXPECT_EQ(f.slider->value(), 100);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(f.slider->value(), 0);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(5 + 25, 5)); // 25 of 100: 25
    EXPECT_EQ(f.slider->value(), 25);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(5 + 33, 5)); // 33.0
    EXPECT_EQ(f.slider->value(), 33);
}

TEST(FFSliderCtrl, ChannelClickAtTheMiddleGivesTheMiddleVertical) {
    SliderFixture f(Qt::Vertical);
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(kThickness / 2, kLength / 2));
    EXPECT_EQ(f.slider->value(), 50);
    // The top is the maximum, like a mixer fader.
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(5, 1));
    EXPECT_EQ(f.slider->value(), 100);
    EXPECT_EQ(f.slider->ThumbRect(), QRect(2, 0, 16, 10));
    QTest::mouseClick(f.slider, Qt::LeftButton, {}, QPoint(5, kLength - 1));
    EXPECT_EQ(f.slider->value(), 0);
    EXPECT_EQ(f.slider->ThumbRect(), QRect(2, kLength - 10, 16, 10));
}

TEST(FFSliderCtrl, ThumbIsDragged) {
    SliderFixture f(Qt::Horizontal);
    f.slider->setValue(20); // thumb 20..29, centre about 25
    EXPECT_EQ(f.slider->ThumbRect(), QRect(20, 2, 10, 16));
    QSignalSpy user(f.slider, &CFFSliderCtrl::userMoved);
    QTest::mousePress(f.slider, Qt::LeftButton, {}, QPoint(22, 10));
    EXPECT_EQ(f.slider->value(), 20); // a press on the thumb does not move it
    QTest::mouseMove(f.slider, QPoint(52, 10));
    EXPECT_EQ(f.slider->value(), 50);
    QTest::mouseRelease(f.slider, Qt::LeftButton, {}, QPoint(52, 10));
    EXPECT_EQ(f.slider->value(), 50);
    EXPECT_FALSE(f.slider->isSliderDown());
    EXPECT_GE(user.count(), 1);
}

TEST(FFSliderCtrl, KeysMoveItAndCodeDoesNotCountAsUser) {
    SliderFixture f(Qt::Horizontal);
    QSignalSpy user(f.slider, &CFFSliderCtrl::userMoved);
    f.slider->setValue(40);
    EXPECT_EQ(user.count(), 0);
    f.slider->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.slider, Qt::Key_Right);
    EXPECT_EQ(f.slider->value(), 41);
    QTest::keyClick(f.slider, Qt::Key_PageUp);
    EXPECT_EQ(f.slider->value(), 51);
    QTest::keyClick(f.slider, Qt::Key_End);
    EXPECT_EQ(f.slider->value(), 100);
    QTest::keyClick(f.slider, Qt::Key_End); // no change: no signal
    ASSERT_EQ(user.count(), 3);
    EXPECT_EQ(user.at(2).at(0).toInt(), 100);
    f.slider->setValue(10);
    EXPECT_EQ(user.count(), 3);
}

TEST(FFSliderCtrl, ThumbTransparentColourShowsWhatLiesBeneath) {
    SliderFixture f(Qt::Horizontal);
    f.slider->SetPicture(CFFSliderCtrl::Background, Solid(11, 2, QColor(0, 0, 128)));
    QImage thumb = Solid(10, 20, QColor(255, 0, 0));
    for (int y = 0; y < 20; ++y)
        thumb.setPixelColor(0, y, QColor(255, 0, 255)); // the left column is transparent
    f.slider->SetPicture(CFFSliderCtrl::Thumb, thumb);
    f.slider->SetThumbTransparentColor(QColor(255, 0, 255));
    f.slider->SetPicture(CFFSliderCtrl::Channel, Solid(3, 4, QColor(0, 255, 0)));
    f.slider->setValue(50); // thumb 50..59
    const QImage image = Render(*f.slider);
    // The background is stretched over the whole control, the channel over its length.
    EXPECT_EQ(Pixel(image, 0, 0), QColor(0, 0, 128));
    EXPECT_EQ(Pixel(image, kLength - 1, kThickness - 1), QColor(0, 0, 128));
    EXPECT_TRUE(AllPixels(image, QColor(0, 255, 0), QRect(0, 8, 50, 4)));
    EXPECT_TRUE(AllPixels(image, QColor(0, 255, 0), QRect(60, 8, 50, 4)));
    // The thumb: transparent column shows the background and the channel.
    EXPECT_TRUE(AllPixels(image, QColor(255, 0, 0), QRect(51, 0, 9, 20)));
    EXPECT_EQ(Pixel(image, 50, 2), QColor(0, 0, 128));
    EXPECT_EQ(Pixel(image, 50, 9), QColor(0, 255, 0));
}

TEST(FFSliderCtrl, ChannelPiecesSitAtTheEnds) {
    SliderFixture f(Qt::Horizontal);
    f.slider->SetPicture(CFFSliderCtrl::Thumb, QImage());
    f.slider->SetPicture(CFFSliderCtrl::Channel, Solid(4, 6, QColor(0, 255, 0)));
    f.slider->SetPicture(CFFSliderCtrl::ChannelBegin, Solid(5, 6, QColor(255, 0, 0)));
    f.slider->SetPicture(CFFSliderCtrl::ChannelEnd, Solid(7, 6, QColor(0, 0, 255)));
    f.slider->setValue(100); // the fallback thumb sits at the right end
    const QImage image = Render(*f.slider);
    EXPECT_EQ(f.slider->ChannelRect(), QRect(0, 7, kLength, 6));
    EXPECT_TRUE(AllPixels(image, QColor(255, 0, 0), QRect(0, 7, 5, 6)));
    EXPECT_TRUE(AllPixels(image, QColor(0, 255, 0), QRect(5, 7, kLength - 20, 6)));
}

TEST(FFSliderCtrl, AccessibleAsASlider) {
    SliderFixture f(Qt::Horizontal);
    f.slider->setAccessibleName("Background volume 1");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(f.slider);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Slider);
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Background volume 1"));
    ASSERT_NE(iface->valueInterface(), nullptr);
    QSignalSpy moved(f.slider, &CFFSliderCtrl::userMoved);
    iface->valueInterface()->setCurrentValue(30); // as the user's own move
    EXPECT_EQ(f.slider->value(), 30);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 30);
}
