// CFFListBox and CPNListBox: line colours, the current and selected lines, the fun
// sound list's choose button following the hovered line, its requests, and keyboard use.
#include "ff_test_util.h"
#include "skin/ff_button.h"
#include "skin/pn_list_box.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QWindow>

using fftest::AllPixels;
using fftest::Render;
using fftest::Solid;

namespace {

constexpr int kLine = 20;

template <class List>
struct ListFixture {
    ListFixture() : list(new List(&host)) {
        list->setGeometry(10, 10, 160, 100);
        list->SetLineHeight(kLine);
        for (const char* name : {"Applause", "Laugh", "Drums", "Horn"})
            list->InsertLine(-1, name);
        host.ShowAndWait();
        list->SetCurrentLine(-1);
    }
    // A point of line (in the viewport), away from the text.
    QPoint In(int line, int x = 100) const { return QPoint(x, line * kLine + kLine / 2); }
    QRect LineEnd(int line) const { return QRect(130, line * kLine + 1, 20, kLine - 2); }

    fftest::Host host;
    List* list;
};

} // namespace

TEST(FFListBox, Defaults) {
    CFFListBox list;
    EXPECT_EQ(list.Color(CFFListBox::SelectedBackground), QColor(10, 36, 106));
    EXPECT_EQ(list.CurrentLine(), -1);
    EXPECT_EQ(list.InsertLine(-1, "b"), 0);
    EXPECT_EQ(list.InsertLine(0, "a"), 0);
    EXPECT_EQ(list.LineText(0), QString("a"));
    EXPECT_EQ(list.LineText(1), QString("b"));
}

TEST(FFListBox, LinesUseCurrentThenSelectedThenNormalColours) {
    ListFixture<CFFListBox> f;
    const QColor normal(20, 20, 20), selected(200, 0, 0), current(0, 0, 200);
    f.list->SetColor(CFFListBox::NormalBackground, normal);
    f.list->SetColor(CFFListBox::SelectedBackground, selected);
    f.list->SetColor(CFFListBox::CurrentBackground, current);
    f.list->SetLineSelected(1, true);
    f.list->SetLineSelected(2, true);
    f.list->SetCurrentLine(2);
    EXPECT_TRUE(f.list->IsLineSelected(1));
    EXPECT_FALSE(f.list->IsLineSelected(0));
    QImage image = Render(*f.list->viewport());
    EXPECT_TRUE(AllPixels(image, normal, f.LineEnd(0)));
    EXPECT_TRUE(AllPixels(image, selected, f.LineEnd(1)));
    EXPECT_TRUE(AllPixels(image, current, f.LineEnd(2)));
    EXPECT_TRUE(AllPixels(image, normal, f.LineEnd(3)));
    EXPECT_TRUE(AllPixels(image, normal, QRect(0, 4 * kLine + 2, 160, 10))); // below the lines

    // Text in each pair's text colour.
    f.list->SetColor(CFFListBox::SelectedText, QColor(255, 255, 0));
    f.list->SetColor(CFFListBox::CurrentText, QColor(0, 255, 255));
    f.list->SetColor(CFFListBox::NormalText, QColor(255, 255, 255));
    QFont font = f.list->font();
    font.setPixelSize(16);
    font.setBold(true);
    f.list->setFont(font);
    image = Render(*f.list->viewport());
    EXPECT_GT(fftest::CountPixels(image.copy(0, 0, 160, kLine), QColor(255, 255, 255)), 5);
    EXPECT_GT(fftest::CountPixels(image.copy(0, kLine, 160, kLine), QColor(255, 255, 0)), 5);
    EXPECT_GT(fftest::CountPixels(image.copy(0, 2 * kLine, 160, kLine), QColor(0, 255, 255)), 5);

    f.list->SetCurrentLine(-1);
    image = Render(*f.list->viewport());
    EXPECT_TRUE(AllPixels(image, selected, f.LineEnd(2)));
}

TEST(FFListBox, UserInputNeverChangesTheSelection) {
    ListFixture<CFFListBox> f;
    f.list->SetLineSelected(3, true);
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.In(1));
    f.list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(f.list, Qt::Key_Down);
    QTest::keyClick(f.list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(f.list, Qt::Key_Space);
    EXPECT_FALSE(f.list->IsLineSelected(0));
    EXPECT_FALSE(f.list->IsLineSelected(1));
    EXPECT_FALSE(f.list->IsLineSelected(2));
    EXPECT_TRUE(f.list->IsLineSelected(3));
}

TEST(PNListBox, ChooseButtonFollowsTheHoveredLine) {
    ListFixture<CPNListBox> f;
    CFFButton* choose = f.list->ChooseButton();
    choose->resize(18, 12);
    EXPECT_FALSE(choose->isVisible());
    QTest::mouseMove(f.list->viewport(), f.In(2, 40));
    EXPECT_EQ(f.list->CurrentLine(), 2);
    ASSERT_TRUE(choose->isVisible());
    const int right = f.list->viewport()->width();
    EXPECT_EQ(choose->geometry(), QRect(right - 18, 2 * kLine, 18, 12));
    QTest::mouseMove(f.list->viewport(), f.In(0, 40));
    EXPECT_EQ(f.list->CurrentLine(), 0);
    EXPECT_EQ(choose->geometry(), QRect(right - 18, 0, 18, 12));
    // The button shows in its own colours over the line's end.
    const QImage image = Render(*f.list->viewport());
    EXPECT_TRUE(AllPixels(image, CFFButton::kFillColor, QRect(right - 18, 0, 18, 12)));

    // Leaving the list clears the current line and hides the button.
    QTest::mouseMove(&f.host, QPoint(200, 150));
    EXPECT_EQ(f.list->CurrentLine(), -1);
    EXPECT_FALSE(choose->isVisible());
}

TEST(PNListBox, MovingOntoTheChooseButtonKeepsItsLine) {
    ListFixture<CPNListBox> f;
    CFFButton* choose = f.list->ChooseButton();
    // Through the window, so that Qt makes the enter and leave events.
    QWindow* window = f.host.windowHandle();
    auto moveTo = [&](QWidget* widget, QPoint pos) {
        QTest::mouseMove(window, widget->mapTo(&f.host, pos));
    };
    moveTo(f.list->viewport(), f.In(1, 40));
    ASSERT_EQ(f.list->CurrentLine(), 1);
    ASSERT_TRUE(choose->isVisible());
    moveTo(choose, QPoint(2, 2));
    EXPECT_EQ(f.list->CurrentLine(), 1);
    EXPECT_TRUE(choose->isVisible());
    EXPECT_TRUE(choose->IsMouseOver());
    moveTo(&f.host, QPoint(230, 150));
    EXPECT_EQ(f.list->CurrentLine(), -1);
    EXPECT_FALSE(choose->isVisible());
}

TEST(PNListBox, ChooseClickSendsLineAndPackedScreenPosition) {
    ListFixture<CPNListBox> f;
    f.host.move(300, 200);
    CFFButton* choose = f.list->ChooseButton();
    QSignalSpy chosen(f.list, &CPNListBox::chooseRequested);
    QSignalSpy toggled(f.list, &CPNListBox::toggleRequested);
    QTest::mouseMove(f.list->viewport(), f.In(1, 40));
    ASSERT_TRUE(choose->isVisible());
    const QPoint screen = choose->mapToGlobal(QPoint(0, 0));
    QTest::mouseMove(choose, QPoint(3, 3));
    QTest::mouseClick(choose, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(toggled.count(), 0);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
    const quint32 packed = chosen.at(0).at(1).value<quint32>();
    EXPECT_EQ(packed, (quint32(screen.x()) << 16) | quint32(screen.y()));
    EXPECT_EQ(int(packed >> 16), screen.x());
    EXPECT_EQ(int(packed & 0xffff), screen.y());
    EXPECT_EQ(chosen.at(0).at(2).toPoint(), screen);
    EXPECT_EQ(CPNListBox::UnpackScreenPos(packed), screen);
    EXPECT_EQ(CPNListBox::PackScreenPos(QPoint(0x1234, 0x5678)), 0x12345678u);
}

TEST(PNListBox, ClickOnALineTogglesIt) {
    ListFixture<CPNListBox> f;
    QSignalSpy toggled(f.list, &CPNListBox::toggleRequested);
    QSignalSpy chosen(f.list, &CPNListBox::chooseRequested);
    QTest::mouseMove(f.list->viewport(), f.In(3, 20));
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.In(3, 20));
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled.at(0).at(0).toInt(), 3);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_FALSE(f.list->IsLineSelected(3));                                   // the owner decides
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, QPoint(20, 95)); // below the lines
    EXPECT_EQ(toggled.count(), 1);
}

TEST(PNListBox, UsableWithTheKeyboard) {
    ListFixture<CPNListBox> f;
    QSignalSpy toggled(f.list, &CPNListBox::toggleRequested);
    QSignalSpy chosen(f.list, &CPNListBox::chooseRequested);
    f.list->setFocus(Qt::TabFocusReason);
    f.list->SetCurrentLine(0);
    QTest::keyClick(f.list, Qt::Key_Down);
    QTest::keyClick(f.list, Qt::Key_Down);
    EXPECT_EQ(f.list->CurrentLine(), 2);
    EXPECT_TRUE(f.list->ChooseButton()->isVisible());
    QTest::keyClick(f.list, Qt::Key_Space);
    QTest::keyClick(f.list, Qt::Key_Return);
    ASSERT_EQ(toggled.count(), 2);
    EXPECT_EQ(toggled.at(1).at(0).toInt(), 2);
    QTest::keyClick(f.list, Qt::Key_F2);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 2);
    EXPECT_EQ(chosen.at(0).at(2).toPoint(), f.list->ChooseButton()->mapToGlobal(QPoint(0, 0)));
}

TEST(PNListBox, LinesAreAccessibleByTheirText) {
    ListFixture<CPNListBox> f;
    f.list->setAccessibleName("Fun sounds");
    f.list->SetLineSelected(1, true);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(f.list);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QString("Fun sounds"));
    QStringList names;
    bool laughSelected = false;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child == nullptr || child->role() != QAccessible::ListItem)
            continue;
        names << child->text(QAccessible::Name);
        if (child->text(QAccessible::Name) == "Laugh")
            laughSelected = child->state().selected;
    }
    EXPECT_EQ(names, QStringList({"Applause", "Laugh", "Drums", "Horn"}));
    EXPECT_TRUE(laughSelected);
}
