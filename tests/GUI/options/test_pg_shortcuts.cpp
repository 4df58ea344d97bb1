// The Shortcut Keys page on the offscreen platform: its lines, the capture of key combinations
// from QTest key events, and that capturing keeps the keys from the dialog's own shortcuts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <vector>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "config/config.h"
#include "fake_options_server.h"
#include "keyboard/shortcut.h"
#include "options/options_server.h"
#include "options/pg_shortcuts.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace {

using optionstest::NoOptionsServer;

class PgShortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings("", "");
        working_.shortcuts[3] = "Ctrl+L"; // Listen
        // The page sits in a dialog with shortcuts of its own.
        dialog_ = std::make_unique<QWidget>();
        page_ = new CPgShortcuts(context_, dialog_.get());
        auto* layout = new QVBoxLayout(dialog_.get());
        layout->addWidget(page_);
        for (const QKeySequence& keys :
             {QKeySequence(QStringLiteral("Alt+R")), QKeySequence(QStringLiteral("Ctrl+Alt+F5")),
              QKeySequence(Qt::Key_F5)}) {
            auto* shortcut = new QShortcut(keys, dialog_.get());
            QObject::connect(shortcut, &QShortcut::activated, [this] { ++dialogShortcuts_; });
        }
        dialog_->show();
        dialog_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        page_->OnSetActive();
    }
    void TearDown() override {
        page_->OnKillActive();
        dialog_.reset();
        EndStrings();
    }

    template <typename W>
    W* Child(const char* name) {
        W* widget = page_->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QTreeWidget* List() { return Child<QTreeWidget>("shortcuts"); }
    void SelectLine(int row) {
        QTreeWidget* list = List();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(row)).center());
        ASSERT_TRUE(list->topLevelItem(row)->isSelected());
    }
    QString KeyText(int row) { return List()->topLevelItem(row)->text(1); }
    void StartCapture(int row) {
        SelectLine(row);
        QTest::mouseClick(Child<QPushButton>("change"), Qt::LeftButton);
        ASSERT_TRUE(page_->IsCapturing());
    }
    // Keys go where the user's keys would: the widget that has the focus.
    QWidget* Focus() { return QApplication::focusWidget() ? QApplication::focusWidget() : page_; }

    testsupport::TempDir folder_;
    AppConfig running_{folder_.Path()};
    AppConfig working_{folder_.Path()};
    MemoryAudioBackend backend_;
    TestStream stream_{backend_};
    NoOptionsServer server_;
    OptionsContext context_{working_, running_, stream_, server_};
    std::unique_ptr<QWidget> dialog_;
    CPgShortcuts* page_ = nullptr;
    int dialogShortcuts_ = 0;
};

TEST_F(PgShortcuts, ListsTheSeventeenActionsInOrderWithTheirKeys) {
    const std::vector<QString> expected = {"Voice Effect 1",
                                           "Voice Effect 2",
                                           "Voice Effect 3",
                                           "Listen",
                                           "Fun Sound 1",
                                           "Fun Sound 2",
                                           "Fun Sound 3",
                                           "Background 1",
                                           "Background 1 Volume +",
                                           "Background 1 Volume -",
                                           "Background 2",
                                           "Background 2 Volume +",
                                           "Background 2 Volume -",
                                           "Background 3",
                                           "Background 3 Volume +",
                                           "Background 3 Volume -",
                                           "Stop all"};
    QTreeWidget* list = List();
    ASSERT_EQ(list->topLevelItemCount(), 17);
    for (int row = 0; row < 17; ++row)
        EXPECT_EQ(list->topLevelItem(row)->text(0), expected[static_cast<std::size_t>(row)]);
    EXPECT_EQ(list->headerItem()->text(0), "Performed Action");
    EXPECT_EQ(list->headerItem()->text(1), "Shortcut Key");
    EXPECT_EQ(KeyText(3), "Ctrl+L");
    EXPECT_EQ(KeyText(0), "");

    // The lines are the hot-key actions of the same index.
    working_.shortcuts[static_cast<int>(keyboard::HotKeyAction::BackSound2VolSub)] = "F9";
    page_->UpdatePage();
    EXPECT_EQ(KeyText(12), "F9");
}

TEST_F(PgShortcuts, ButtonsFollowTheStateOfThePage) {
    auto* change = Child<QPushButton>("change");
    auto* remove = Child<QPushButton>("remove");
    auto* hint = Child<QLabel>("hint");
    EXPECT_FALSE(change->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(hint->isVisible());

    SelectLine(0); // no key yet
    EXPECT_TRUE(change->isEnabled());
    EXPECT_EQ(change->text(), "Change Shortcut Key...");
    EXPECT_FALSE(remove->isEnabled());
    SelectLine(3);
    EXPECT_TRUE(remove->isEnabled());

    QTest::mouseClick(change, Qt::LeftButton);
    EXPECT_EQ(change->text(), "Press Keys...");
    EXPECT_TRUE(remove->isEnabled());
    EXPECT_TRUE(hint->isVisible());
    EXPECT_FALSE(hint->text().isEmpty());

    // Esc restores the previous key and leaves capture.
    QTest::keyPress(Focus(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(KeyText(3), "Ctrl+");
    QTest::keyPress(Focus(), Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_FALSE(page_->IsCapturing());
    EXPECT_EQ(KeyText(3), "Ctrl+L");
    EXPECT_EQ(working_.shortcuts[3], "Ctrl+L");
    EXPECT_EQ(change->text(), "Change Shortcut Key...");
    EXPECT_FALSE(hint->isVisible());
    EXPECT_FALSE(context_.modified);

    // Remove clears the key.
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(working_.shortcuts[3], "");
    EXPECT_EQ(KeyText(3), "");
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(context_.modified);
}

TEST_F(PgShortcuts, CapturesAltCtrlF5WithoutFiringTheDialogsShortcuts) {
    StartCapture(0);
    // The release of the key that pressed Change (here: Space on the button) ends nothing.
    QTest::keyRelease(Focus(), Qt::Key_Space);
    EXPECT_TRUE(page_->IsCapturing());

    QTest::keyPress(Focus(), Qt::Key_F5, Qt::AltModifier | Qt::ControlModifier);
    EXPECT_EQ(KeyText(0), "Ctrl+Alt+F5");
    EXPECT_TRUE(page_->IsCapturing());
    QTest::keyRelease(Focus(), Qt::Key_F5, Qt::AltModifier | Qt::ControlModifier);
    EXPECT_FALSE(page_->IsCapturing());
    EXPECT_EQ(working_.shortcuts[0], "Ctrl+Alt+F5");
    EXPECT_EQ(keyboard::TextToShortcut(working_.shortcuts[0]),
              (keyboard::Shortcut{keyboard::kModAlt | keyboard::kModCtrl, 116}));
    EXPECT_TRUE(context_.modified);
    EXPECT_EQ(dialogShortcuts_, 0);

    // Alt with a mnemonic letter, Tab and arrows are captured, not acted on.
    StartCapture(1);
    QWidget* focused = Focus();
    QTest::keyPress(focused, Qt::Key_Tab);
    EXPECT_TRUE(page_->IsCapturing());
    EXPECT_EQ(QApplication::focusWidget(), focused) << "Tab moves no focus while capturing";
    QTest::keyRelease(focused, Qt::Key_Tab);
    EXPECT_EQ(working_.shortcuts[1], "") << "Tab has no name in the key table";
    StartCapture(1);
    QTest::keyPress(Focus(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(KeyText(1), "Alt+R");
    QTest::keyRelease(Focus(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(working_.shortcuts[1], "Alt+R");
    StartCapture(2);
    QTest::keyClick(Focus(), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(working_.shortcuts[2], "Shift+Left");
    StartCapture(4);
    QTest::keyClick(Focus(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(working_.shortcuts[4], "Ctrl+Num +");
    EXPECT_EQ(dialogShortcuts_, 0);

    // Out of capture, the dialog's shortcuts work again.
    QTest::keyClick(Focus(), Qt::Key_F5);
    EXPECT_EQ(dialogShortcuts_, 1);
}

TEST_F(PgShortcuts, OnlyModifiersLeaveNoShortcut) {
    StartCapture(3);
    QTest::keyPress(Focus(), Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(Focus(), Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(KeyText(3), "Ctrl+Shift+");
    QTest::keyRelease(Focus(), Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(page_->IsCapturing());
    EXPECT_EQ(working_.shortcuts[3], "");
    EXPECT_EQ(KeyText(3), "");
    EXPECT_TRUE(context_.modified);
}

} // namespace
