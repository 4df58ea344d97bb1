// The Shortcut Keys page on a real X server: key combinations typed through XTEST (xdotool)
// reach the capture through the keyboard grab, and the dialog's own shortcuts
// stay quiet meanwhile.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QShortcut>
#include <QTest>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>
#include <string>

#include "audio/audio_memory_backend.h"
#include "base/strtable.h"
#include "child_process.h"
#include "config/config.h"
#include "fake_options_server.h"
#include "options/options_server.h"
#include "options/pg_shortcuts.h"
#include "temp_dir.h"
#include "teststream/test_stream.h"

namespace {

constexpr int kWaitMs = 5000;

using optionstest::NoOptionsServer;

void Type(const std::string& keys) {
    ASSERT_EQ(testsupport::RunShell("xdotool key " + keys), 0) << "xdotool key " << keys;
}

TEST(PgShortcutsX11, TypedCombinationsReachTheCaptureAndNotTheDialog) {
    StartStrings("", "");
    testsupport::TempDir folder;
    AppConfig running(folder.Path());
    AppConfig working(folder.Path());
    MemoryAudioBackend backend;
    TestStream stream(backend);
    NoOptionsServer server;
    OptionsContext context{working, running, stream, server};
    {
        QWidget dialog;
        auto* page = new CPgShortcuts(context, &dialog);
        (new QVBoxLayout(&dialog))->addWidget(page);
        int dialogShortcuts = 0;
        auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+Home")), &dialog);
        QObject::connect(shortcut, &QShortcut::activated, [&] { ++dialogShortcuts; });
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        page->OnSetActive();

        auto* list = page->findChild<QTreeWidget*>(QStringLiteral("shortcuts"));
        auto* change = page->findChild<QPushButton*>(QStringLiteral("change"));
        list->setFocus();
        list->setCurrentItem(list->topLevelItem(0));
        change->click();
        ASSERT_TRUE(page->IsCapturing());
        Type("ctrl+alt+Home");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !page->IsCapturing(); }, kWaitMs));
        EXPECT_EQ(working.shortcuts[0], "Ctrl+Alt+Home");
        EXPECT_EQ(dialogShortcuts, 0);

        // Out of capture the dialog's shortcut answers again.
        Type("ctrl+alt+Home");
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialogShortcuts == 1; }, kWaitMs));
        page->OnKillActive();
    }
    EndStrings();
}

} // namespace
