// The generic parameter editor on the offscreen platform: what typing and sliding do to the
// plug-in's parameters, the grid of the rows, the keyboard order and the names screen readers
// read.
#include "dialog_test_env.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace {

using testdialog::DialogTest;

class GenericEditorTest : public DialogTest {
protected:
    void Open() {
        Load("gain");
        ASSERT_TRUE(effect_.Config(nullptr, &listener_));
        window_ = Window();
        ASSERT_NE(window_, nullptr);
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    }
    QLineEdit* Field(int i) const {
        return window_->findChild<QLineEdit*>(QString::number(kParamFieldId + i));
    }
    QSlider* Slider(int i) const {
        return window_->findChild<QSlider*>(QString::number(kParamSliderId + i));
    }
    void Type(int i, const char* text) {
        QLineEdit* field = Field(i);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    QWidget* window_ = nullptr;
};

TEST_F(GenericEditorTest, TypedTextIsClampedAndSetOnlyWhenTyped) {
    Open();
    Type(0, "1.5");
    EXPECT_EQ(Slider(0)->value(), 1000);
    EXPECT_FLOAT_EQ(effect_.GetParameter(0), 1.0f);
    Type(0, "-2");
    EXPECT_EQ(Slider(0)->value(), 0);
    EXPECT_FLOAT_EQ(effect_.GetParameter(0), 0.0f);
    Type(0, "0.5");
    EXPECT_FLOAT_EQ(effect_.GetParameter(0), 0.5f);
    Type(0, "abc");
    EXPECT_EQ(Slider(0)->value(), 0);
    EXPECT_FLOAT_EQ(effect_.GetParameter(0), 0.0f);
    EXPECT_TRUE(effect_.IsModified());

    // A field changed while another control has the focus moves its slider only.
    Slider(1)->setFocus();
    Field(0)->setText("0.7");
    EXPECT_EQ(Slider(0)->value(), 700);
    EXPECT_FLOAT_EQ(effect_.GetParameter(0), 0.0f);
}

TEST_F(GenericEditorTest, SliderSetsParameterAndFieldAndTheTickReportsIt) {
    Open();
    Slider(0)->setFocus();
    Slider(0)->setValue(333);
    EXPECT_NEAR(effect_.GetParameter(0), 0.333f, 1e-6);
    EXPECT_EQ(Field(0)->text().toStdString(), "0.333000");
    EXPECT_TRUE(effect_.IsModified());
    QTRY_COMPARE(listener_.paramsChanged, 1);
    ASSERT_EQ(listener_.lastParams.size(), 3u);
    EXPECT_NEAR(listener_.lastParams[0].value, 0.333f, 1e-6);
    EXPECT_EQ(listener_.lastParams[0].name, "Gain");
    EXPECT_FALSE(effect_.IsModified());

    // The keyboard moves the slider by its line and page steps.
    QTest::keyClick(Slider(0), Qt::Key_Right);
    EXPECT_EQ(Field(0)->text().toStdString(), "0.334000");
    QTest::keyClick(Slider(0), Qt::Key_PageUp);
    EXPECT_EQ(Slider(0)->value(), 434);
}

TEST_F(GenericEditorTest, RowsFollowTheGridInTheDialogsFont) {
    Open();
    const QFontMetrics metrics(window_->font());
    int widest = 0;
    for (int i = 0; i < 3; ++i)
        widest = std::max(
            widest, metrics.horizontalAdvance(QString::fromStdString(effect_.GetParamName(i))));
    auto* group = window_->findChild<QGroupBox*>(QString::number(kParamGroupId));
    auto* ok = window_->findChild<QPushButton*>(QString::number(kOkButtonId));
    ASSERT_NE(group, nullptr);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(group->geometry(), QRect(5, 5, widest + 235, 16 + 69 + 5));
    EXPECT_EQ(group->title().toStdString(), "Effect parameters");
    EXPECT_EQ(ok->geometry(), QRect(5 + widest + 235 - 80, 5 + 90 + 5, 80, 22));
    EXPECT_EQ(window_->size(), QSize(widest + 245, 90 + 37));
    EXPECT_EQ(Field(2)->geometry(), QRect(widest + 15, 16 + 46, 60, 18));
    EXPECT_EQ(Slider(2)->geometry(), QRect(widest + 80, 16 + 46, 150, 18));
    EXPECT_EQ(Field(2)->maxLength(), 8);
    EXPECT_EQ(Field(0)->text().toStdString(), "0.250000");
    EXPECT_EQ(Slider(0)->value(), 250);
    EXPECT_EQ(Slider(0)->pageStep(), 100);
    EXPECT_EQ(window_->windowTitle().toStdString(), "Gain");

    // Tab goes row by row, field before slider, then to Ok; each has a name to read out.
    std::vector<QWidget*> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), {Field(i), Slider(i)});
    expected.push_back(ok);
    std::vector<QWidget*> chain;
    for (QWidget* w = Field(0); chain.size() < expected.size(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chain.push_back(w);
    EXPECT_EQ(chain, expected);
    for (QWidget* w : expected)
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    EXPECT_EQ(Slider(0)->accessibleName().toStdString(), "Gain");
    EXPECT_EQ(window_->findChildren<QLabel*>()[0]->buddy(), Field(0));
}

TEST_F(GenericEditorTest, OkClosesAndTellsTheListener) {
    Open();
    QPointer<QWidget> window = window_;
    QTest::mouseClick(window_->findChild<QPushButton*>(QString::number(kOkButtonId)),
                      Qt::LeftButton);
    EXPECT_EQ(listener_.closed, 1);
    EXPECT_EQ(effect_.GetConfigWindow(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    // The next dialog opens where the closed one was.
    ASSERT_TRUE(effect_.Config(nullptr, &listener_));
    EXPECT_EQ(Window()->geometry().topLeft(), VSTEditDialog::LastPosition());
}

TEST_F(GenericEditorTest, RemembersPositionsWellInsideTheDesktopOnly) {
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    VSTEditDialog::SetLastPosition(QPoint(10, 10));
    Open();
    const QSize size = window_->size();
    EXPECT_EQ(window_->geometry().topLeft(), QPoint(desktop.width() / 4 - size.width() / 2,
                                                    desktop.height() / 4 - size.height() / 2));
    effect_.CloseConfig();

    VSTEditDialog::SetLastPosition(QPoint(200, 150));
    ASSERT_TRUE(effect_.Config(nullptr, &listener_));
    EXPECT_EQ(Window()->geometry().topLeft(), QPoint(200, 150));
    // Moving the dialog (its frame) moves the remembered client position with it.
    Window()->move(260, 170);
    EXPECT_EQ(VSTEditDialog::LastPosition(), Window()->geometry().topLeft());
    EXPECT_NE(VSTEditDialog::LastPosition(), QPoint(200, 150));
}

} // namespace
