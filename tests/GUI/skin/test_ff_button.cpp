// CFFButton: the picture and caption-colour table, the mouse rules, radio groups,
// keyboard use, focus ring and accessibility, rendered off screen.
#include "ff_test_util.h"
#include "skin/ff_button.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QSignalSpy>

using fftest::AllPixels;
using fftest::Render;
using fftest::Solid;
using Kind = CFFButton::Kind;
using P = CFFButton::Picture;
using C = CFFButton::CaptionColor;

namespace {

constexpr int kW = 40;
constexpr int kH = 20;

// One distinct colour per state picture.
QColor PictureColor(int picture) {
    static const QColor colors[] = {QColor(200, 0, 0),   QColor(0, 200, 0),   QColor(0, 0, 200),
                                    QColor(200, 200, 0), QColor(200, 0, 200), QColor(0, 200, 200),
                                    QColor(90, 60, 30),  QColor(30, 60, 90)};
    return colors[picture];
}

void GivePictures(CFFButton& button) {
    for (int p = 0; p < CFFButton::PictureCount; ++p)
        button.SetPicture(P(p), Solid(kW, kH, PictureColor(p)));
}

struct Fixture {
    explicit Fixture(Kind kind) : button(new CFFButton(kind, &host)) {
        button->setGeometry(10, 10, kW, kH);
        GivePictures(*button);
        host.ShowAndWait();
    }
    QPoint Inside() const { return QPoint(kW / 2, kH / 2); }
    QPoint Outside() const { return QPoint(kW + 50, kH + 50); }
    void Hover() { QTest::mouseMove(button, Inside()); }
    void Press() { QTest::mousePress(button, Qt::LeftButton, {}, Inside()); }
    void Release() { QTest::mouseRelease(button, Qt::LeftButton, {}, Inside()); }
    // The picture drawn is the expected one, and the look says so.
    void Expect(P picture, C color) {
        EXPECT_EQ(button->CurrentLook().picture, picture);
        EXPECT_EQ(button->CurrentLook().color, color);
        EXPECT_TRUE(AllPixels(Render(*button), PictureColor(picture)));
    }

    fftest::Host host;
    CFFButton* button;
};

} // namespace

TEST(FFButtonLook, PushRows) {
    {
        Fixture f(Kind::Push);
        f.button->setEnabled(false);
        f.Expect(P::PicDisabled, C::ColDisabled);
    }
    {
        Fixture f(Kind::Push);
        f.Hover();
        f.Press();
        EXPECT_TRUE(f.button->isDown());
        f.Expect(P::PicDown, C::ColDown);
        f.Release();
    }
    {
        Fixture f(Kind::Push);
        f.button->SetMouseOverTracking(true);
        f.Hover();
        EXPECT_TRUE(f.button->IsMouseOver());
        f.Expect(P::PicMouseOver, C::ColMouseOver);
    }
    {
        Fixture f(Kind::Push); // mouse over without tracking: the up picture
        f.Hover();
        EXPECT_TRUE(f.button->IsMouseOver());
        f.Expect(P::PicUp, C::ColUp);
    }
    {
        Fixture f(Kind::Push);
        f.Expect(P::PicUp, C::ColUp);
    }
}

TEST(FFButtonLook, CheckRows) {
    Fixture f(Kind::Check);
    f.Expect(P::PicUp, C::ColUp);
    f.button->setChecked(true);
    f.Expect(P::PicCheckedUp, C::ColDown);
    f.button->SetMouseOverTracking(true);
    f.Hover();
    f.Expect(P::PicCheckedUp, C::ColDown);
}

TEST(FFButtonLook, RadioRows) {
    {
        Fixture f(Kind::Radio);
        f.button->setChecked(true);
        f.button->setEnabled(false);
        f.Expect(P::PicCheckedDisabled, C::ColDisabled);
    }
    {
        Fixture f(Kind::Radio);
        f.button->setEnabled(false);
        f.Expect(P::PicDisabled, C::ColDisabled);
    }
    {
        Fixture f(Kind::Radio);
        f.button->setChecked(true);
        f.button->SetMouseOverTracking(true);
        f.Hover();
        f.Press();
        f.Expect(P::PicCheckedDown, C::ColDown);
        f.Release();
    }
    {
        Fixture f(Kind::Radio);
        f.button->setChecked(true);
        f.button->SetMouseOverTracking(true);
        f.Hover();
        f.Expect(P::PicCheckedMouseOver, C::ColDownMouseOver);
    }
    {
        Fixture f(Kind::Radio); // checked, mouse over, no tracking: otherwise
        f.button->setChecked(true);
        f.Hover();
        f.Expect(P::PicCheckedUp, C::ColDown);
    }
    {
        Fixture f(Kind::Radio);
        f.button->SetMouseOverTracking(true);
        f.Hover();
        f.Press();
        f.Expect(P::PicDown, C::ColUp);
        f.Release();
    }
    {
        Fixture f(Kind::Radio);
        f.button->SetMouseOverTracking(true);
        f.Hover();
        f.Expect(P::PicMouseOver, C::ColMouseOver);
    }
    {
        Fixture f(Kind::Radio); // pressed and over without tracking: otherwise
        f.Hover();
        f.Press();
        f.Expect(P::PicUp, C::ColUp);
        f.Release();
    }
}

TEST(FFButtonLook, TableIsTheDesigns) {
    using L = CFFButton::Look;
    auto same = [](L a, L b) { return a.picture == b.picture && a.color == b.color; };
    // kind, enabled, checked, pressed, over, tracking
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Push, false, false, true, true, true),
                     {P::PicDisabled, C::ColDisabled}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Push, true, false, true, true, false),
                     {P::PicDown, C::ColDown}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Push, true, false, true, false, true),
                     {P::PicUp, C::ColUp}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Check, false, true, false, false, false),
                     {P::PicCheckedUp, C::ColDown}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Check, true, false, true, true, true),
                     {P::PicUp, C::ColUp}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Radio, true, true, true, false, true),
                     {P::PicCheckedUp, C::ColDown}));
    EXPECT_TRUE(same(CFFButton::ChooseLook(Kind::Radio, true, false, true, true, false),
                     {P::PicUp, C::ColUp}));
}

TEST(FFButton, RadioWithoutPicturesIsFilledInEveryState) {
    fftest::Host host;
    auto* radio = new CFFButton(Kind::Radio, &host);
    radio->setGeometry(10, 10, kW, kH);
    radio->SetMouseOverTracking(true);
    host.ShowAndWait();
    const QColor fill(100, 200, 200);
    EXPECT_EQ(CFFButton::kFillColor, fill);
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
    QTest::mouseMove(radio, QPoint(5, 5));
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
    QTest::mousePress(radio, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
    QTest::mouseRelease(radio, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(radio->isChecked());
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
    radio->setEnabled(false);
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
    radio->setChecked(false);
    EXPECT_TRUE(AllPixels(Render(*radio), fill));
}

TEST(FFButton, DisabledRadioIgnoresClicks) {
    Fixture f(Kind::Radio);
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    f.button->setEnabled(false);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, f.Inside());
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_FALSE(f.button->isChecked());
    f.Expect(P::PicDisabled, C::ColDisabled);
    f.button->setChecked(true); // the lit LED: display only
    QTest::mouseClick(f.button, Qt::LeftButton, {}, f.Inside());
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_TRUE(f.button->isChecked());
    f.Expect(P::PicCheckedDisabled, C::ColDisabled);
}

TEST(FFButton, ReleaseOutsideDoesNotNotify) {
    for (Kind kind : {Kind::Push, Kind::Check, Kind::Radio}) {
        Fixture f(kind);
        f.button->SetMouseOverTracking(true);
        QSignalSpy clicked(f.button, &QAbstractButton::clicked);
        f.Hover();
        f.Press();
        QTest::mouseMove(f.button, f.Outside());
        EXPECT_FALSE(f.button->IsMouseOver());
        QTest::mouseRelease(f.button, Qt::LeftButton, {}, f.Outside());
        EXPECT_EQ(clicked.count(), 0);
        EXPECT_FALSE(f.button->isChecked());
        EXPECT_FALSE(f.button->isDown());
        f.Expect(P::PicUp, C::ColUp);
    }
}

TEST(FFButton, PushClickNotifiesAndClearsMouseOver) {
    Fixture f(Kind::Push);
    f.button->SetMouseOverTracking(true);
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    f.Hover();
    f.Press();
    f.Release();
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_FALSE(f.button->isChecked());
    EXPECT_FALSE(f.button->IsMouseOver());
    f.Expect(P::PicUp, C::ColUp);
}

TEST(FFButton, CheckClickInvertsChecked) {
    Fixture f(Kind::Check);
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, f.Inside());
    EXPECT_TRUE(f.button->isChecked());
    QTest::mouseClick(f.button, Qt::LeftButton, {}, f.Inside());
    EXPECT_FALSE(f.button->isChecked());
    EXPECT_EQ(clicked.count(), 2);
}

TEST(FFButton, RadioGroupChecksOneAndTheOwnerMayUncheckAll) {
    fftest::Host host;
    auto* group = new QButtonGroup(&host);
    CFFButton* radios[3];
    for (int i = 0; i < 3; ++i) {
        radios[i] = new CFFButton(Kind::Radio, &host);
        radios[i]->setGeometry(10 + 50 * i, 10, kW, kH);
        radios[i]->SetRadioGroup(group);
    }
    auto* monitor = new CFFButton(Kind::Radio, &host); // alone in its own group
    monitor->setGeometry(10, 50, kW, kH);
    host.ShowAndWait();
    QSignalSpy clicked(radios[1], &QAbstractButton::clicked);

    QTest::mouseClick(radios[0], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(radios[0]->isChecked());
    QTest::mouseClick(radios[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(radios[0]->isChecked());
    EXPECT_TRUE(radios[1]->isChecked());
    EXPECT_FALSE(radios[2]->isChecked());
    // The checked radio clicked again stays checked and notifies (the window turns it off).
    QTest::mouseClick(radios[1], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(radios[1]->isChecked());
    EXPECT_EQ(clicked.count(), 2);
    radios[1]->setChecked(false);
    EXPECT_FALSE(radios[1]->isChecked());
    EXPECT_EQ(group->checkedButton() == radios[1], false);

    // The monitor switch is independent of the group and can be switched off.
    QTest::mouseClick(monitor, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(monitor->isChecked());
    QTest::mouseClick(radios[2], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(monitor->isChecked());
    EXPECT_TRUE(radios[2]->isChecked());
    monitor->setChecked(false);
    EXPECT_FALSE(monitor->isChecked());
}

TEST(FFButton, RegionIsTheHitArea) {
    Fixture f(Kind::Push);
    f.button->SetRegion(QRegion(0, 0, kW / 2, kH));
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(kW - 5, 5));
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(f.button->mask(), QRegion(0, 0, kW / 2, kH));
    f.button->SetRegion(QRegion());
    EXPECT_TRUE(f.button->mask().isEmpty());
}

TEST(FFButton, KeyboardPressesAndShowsFocus) {
    Fixture f(Kind::Push);
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    f.button->clearFocus();
    f.button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(f.button->hasFocus());
    QImage image = Render(*f.button);
    EXPECT_EQ(fftest::Pixel(image, 1, 1), FocusRing::kColor);
    EXPECT_EQ(fftest::Pixel(image, kW - 2, kH - 2), FocusRing::kColor);
    EXPECT_EQ(fftest::Pixel(image, 0, 0), PictureColor(P::PicUp));
    EXPECT_EQ(fftest::Pixel(image, kW / 2, kH / 2), PictureColor(P::PicUp));
    QTest::keyClick(f.button, Qt::Key_Space);
    EXPECT_EQ(clicked.count(), 1);
    QTest::keyClick(f.button, Qt::Key_Return);
    QTest::keyClick(f.button, Qt::Key_Enter);
    EXPECT_EQ(clicked.count(), 3);

    f.button->clearFocus();
    f.button->setFocus(Qt::MouseFocusReason); // a click gives focus without the ring
    image = Render(*f.button);
    EXPECT_EQ(fftest::Pixel(image, 1, 1), PictureColor(P::PicUp));
}

TEST(FFButton, CaptionIsDrawnInTheStateColour) {
    Fixture f(Kind::Push);
    f.button->resize(120, 40);
    for (int p = 0; p < CFFButton::PictureCount; ++p)
        f.button->SetPicture(P(p), Solid(120, 40, Qt::white));
    QFont font = f.button->font();
    font.setPixelSize(30);
    font.setBold(true);
    f.button->setFont(font);
    f.button->setText("MW");
    f.button->SetCaptionColor(C::ColUp, QColor(255, 0, 0));
    f.button->SetCaptionColor(C::ColMouseOver, QColor(0, 0, 255));
    f.button->SetMouseOverTracking(true);
    EXPECT_GT(fftest::CountPixels(Render(*f.button), QColor(255, 0, 0)), 20);
    QTest::mouseMove(f.button, QPoint(60, 20));
    const QImage over = Render(*f.button);
    EXPECT_EQ(fftest::CountPixels(over, QColor(255, 0, 0)), 0);
    EXPECT_GT(fftest::CountPixels(over, QColor(0, 0, 255)), 20);
    f.button->setEnabled(false);
    EXPECT_GT(fftest::CountPixels(Render(*f.button), CFFButton::kDisabledCaptionColor), 20);

    // xbounds: the caption stays inside its box.
    f.button->setEnabled(true);
    f.button->SetCaptionLayout(QPoint(0, 1), QPoint(60, 120), false);
    const QImage bounded = Render(*f.button);
    EXPECT_TRUE(AllPixels(bounded, Qt::white, QRect(0, 0, 60, 40)));
}

TEST(FFButton, KeyboardChecksARadio) {
    Fixture f(Kind::Radio);
    QSignalSpy clicked(f.button, &QAbstractButton::clicked);
    f.button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.button, Qt::Key_Space);
    EXPECT_TRUE(f.button->isChecked());
    QTest::keyClick(f.button, Qt::Key_Return);
    EXPECT_TRUE(f.button->isChecked());
    EXPECT_EQ(clicked.count(), 2);
}

TEST(FFButton, AccessibleNameAndCheckedState) {
    Fixture f(Kind::Radio);
    f.button->setText("Voice 1");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(f.button);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::RadioButton);
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Voice 1"));
    EXPECT_TRUE(iface->state().checkable);
    EXPECT_FALSE(iface->state().checked);
    f.button->setChecked(true);
    EXPECT_TRUE(iface->state().checked);
    f.button->setAccessibleName("Voice effect 1");
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Voice effect 1"));

    Fixture check(Kind::Check);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(check.button)->role(), QAccessible::CheckBox);
    Fixture push(Kind::Push);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(push.button)->role(), QAccessible::Button);
}
