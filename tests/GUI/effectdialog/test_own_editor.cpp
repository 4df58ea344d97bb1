// A plug-in's own editor in the dialog, with windowless test editors on the offscreen platform:
// the order of the editor calls, the editor area's size, faults in the editor's code, and the
// refusals that leave no dialog.
#include "dialog_test_env.h"

#include <QPointer>
#include <QTest>

namespace {

using testdialog::DialogTest;
using testdialog::InOrder;

bool AnyEditorWindowShown() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && dynamic_cast<EditDialogWindow*>(widget) != nullptr)
            return true;
    return false;
}

TEST_F(DialogTest, SmallEditorRectangleGetsTheSmallestArea) {
    Load("editor_tiny");
    ASSERT_TRUE(effect_.Config(nullptr, &listener_));
    QWidget* window = Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(50, 50));
    // The rectangle is asked for once the editor is open; then the editor gets its first idle.
    EXPECT_TRUE(InOrder(PluginCalls(), {"edit open", "edit rect", "edit idle"})) << PluginCalls();
    EXPECT_EQ(window->windowTitle().toStdString(), "Editor_tiny");
    EXPECT_FALSE(window->findChild<QWidget*>()->accessibleName().isEmpty());

    // The editor asks for more room from inside its idle call; the dialog follows after it.
    effect_.SetParameter(2, 1.0f);
    QTRY_COMPARE(window->size(), QSize(300, 200));
    EXPECT_NE(PluginCalls().find("size window 1\n"), std::string::npos);
    // A size from the plug-in is a number like any other: kept within bounds.
    EXPECT_TRUE(effect_.GetConfigWindow()->SizeWindow(100000, 10));
    QTRY_COMPARE(window->size(), QSize(4096, 50));

    QPointer<QWidget> gone = window;
    effect_.CloseConfig();
    EXPECT_NE(PluginCalls().find("edit close\n"), std::string::npos);
    EXPECT_EQ(listener_.closed, 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(DialogTest, EditorIsClosedBeforeThePluginAndBeforeItsWindowGoes) {
    Load("editor_tiny");
    ASSERT_TRUE(effect_.Config(nullptr, &listener_));
    effect_.UnLoad();
    EXPECT_TRUE(InOrder(PluginCalls(), {"edit open", "edit close", "close", "destroyed"}))
        << PluginCalls();

    // The owner window goes first and takes the dialog with it.
    Load("editor_tiny");
    auto* owner = new QWidget;
    ASSERT_TRUE(effect_.Config(owner, &listener_));
    const int closedBefore = listener_.closed;
    delete owner;
    EXPECT_EQ(listener_.closed, closedBefore + 1);
    EXPECT_EQ(effect_.GetConfigWindow(), nullptr);
    const std::string calls = PluginCalls();
    EXPECT_EQ(calls.rfind("edit close\n"), calls.size() - 11) << calls;
    effect_.CloseConfig(); // nothing left to close
}

TEST_F(DialogTest, FaultInEditorOpenLeavesNoDialog) {
    Load("editor_open_fault");
    EXPECT_FALSE(effect_.Config(nullptr, &listener_));
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_EQ(effect_.GetConfigWindow(), nullptr);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(AnyEditorWindowShown());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, "Editor_open_fault");
    EXPECT_EQ(messages_[0].text, effect_.LastFaultText() + "\nEffect editor will be closed");
    EXPECT_NE(messages_[0].text.find("ccess violation"), std::string::npos) << messages_[0].text;
    EXPECT_EQ(messages_[0].icon, MessageIcon::Error);
    EXPECT_NE(LogText().find("Unhandled exception in effect Editor_open_fault\n"),
              std::string::npos)
        << LogText();
}

TEST_F(DialogTest, FaultInEditorIdleClosesTheDialogWithAMessage) {
    const std::string path = testdialog::TestPluginPath("editor_idle_fault");
    Load("editor_idle_fault");
    ASSERT_TRUE(effect_.Config(nullptr, &listener_));
    QPointer<QWidget> window = Window();
    QTRY_VERIFY(!effect_.IsLoaded());
    EXPECT_EQ(effect_.GetConfigWindow(), nullptr);
    EXPECT_EQ(listener_.closed, 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, effect_.LastFaultText() + "\nModule: \"" + path +
                                     "\"\nEffect will be closed.\nYou can continue using "
                                     "Voxwarp but it might not run properly.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Error);
    EXPECT_NE(LogText().find("Unhandled exception in effect " + path + "\n"), std::string::npos);
    // The faulted editor gets no more calls, not even effEditClose.
    EXPECT_EQ(PluginCalls().find("edit close"), std::string::npos);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(DialogTest, NothingToEditGivesAMessageAndNoDialog) {
    // No parameters: no dialog, even with an editor of its own.
    Load("editor_no_params");
    EXPECT_FALSE(effect_.Config(nullptr, &listener_));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Effect has no configurable parameters.");
    EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(PluginCalls().find("edit open"), std::string::npos);

    effect_.UnLoad();
    VSTEditDialog dialog(nullptr, effect_);
    EXPECT_FALSE(dialog.ShowNotModal());
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "Error creating effect dialog");
    EXPECT_EQ(messages_[1].icon, MessageIcon::Error);
    EXPECT_EQ(dialog.Window(), nullptr);
}

} // namespace
