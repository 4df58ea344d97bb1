// CFFStaticText: the text cut to the maximum length, the full text kept for tooltips
// and screen readers, the skin's colour.
#include "ff_test_util.h"
#include "skin/ff_static_text.h"

#include <QAccessible>

TEST(FFStaticText, CutsLongTextsAndKeepsTheFullOne) {
    fftest::Host host;
    auto* label = new CFFStaticText(&host);
    label->setGeometry(10, 10, 200, 20);
    label->SetMaximumLength(8);
    label->SetText("Laughing crowd");
    EXPECT_EQ(label->text(), QString("Laughin") + QChar(0x2026));
    EXPECT_EQ(label->text().size(), 8);
    EXPECT_EQ(label->FullText(), QString("Laughing crowd"));
    EXPECT_EQ(label->toolTip(), QString("Laughing crowd"));
    EXPECT_EQ(label->accessibleDescription(), QString("Laughing crowd"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(label);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Laughing crowd"));

    EXPECT_EQ(iface->role(), QAccessible::StaticText);
    EXPECT_EQ(iface->text(QAccessible::Description), QString("Laughing crowd"));

    label->setAccessibleName("Effect in slot 1"); // the owner's name: read while empty
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Laughing crowd"));
    label->SetText("");
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Effect in slot 1"));
    label->SetText("Echo");
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Echo"));
    EXPECT_EQ(label->text(), QString("Echo"));
    EXPECT_TRUE(label->toolTip().isEmpty());
    label->SetMaximumLength(0); // no limit
    label->SetText("A rather long effect name");
    EXPECT_EQ(label->text(), QString("A rather long effect name"));
    // Wider than its box: an ellipsis, and the whole text for the tooltip; wide again: whole.
    host.ShowAndWait();
    label->resize(60, 20);
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), 60);
    EXPECT_EQ(label->toolTip(), QString("A rather long effect name"));
    label->resize(400, 20);
    EXPECT_EQ(label->text(), QString("A rather long effect name"));
}

TEST(FFStaticText, CutNeverSplitsASurrogatePair) {
    const QString text = QString("ab") + QString::fromUcs4(U"\U0001F600") + "cdef";
    EXPECT_EQ(CFFStaticText::CutText(text, 4), QString("ab") + QChar(0x2026));
    EXPECT_EQ(CFFStaticText::CutText(text, 5),
              QString("ab") + QString::fromUcs4(U"\U0001F600") + QChar(0x2026));
}

TEST(FFStaticText, DrawsInItsColourOnTheParentsBackground) {
    fftest::Host host;
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, QColor(23, 26, 33));
    host.setPalette(palette);
    auto* label = new CFFStaticText(&host);
    label->setGeometry(10, 10, 120, 40);
    QFont font = label->font();
    font.setPixelSize(30);
    font.setBold(true);
    label->setFont(font);
    label->SetTextColor(QColor(230, 233, 239));
    label->SetText("MW");
    host.ShowAndWait();
    const QImage image = fftest::Render(host).copy(label->geometry());
    EXPECT_GT(fftest::CountPixels(image, QColor(230, 233, 239)), 20);
    EXPECT_EQ(fftest::Pixel(image, 119, 0), QColor(23, 26, 33));
}
