// What the editor dialog tests share: the test plug-ins' paths, a string table and a process log
// of their own, the call log the test plug-ins write, the message boxes the dialog would have
// shown, and a listener that counts the effect's hooks.
#pragma once

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/message_box.h"
#include "effect/effect.h"
#include "effectdialog/effect_editors.h"
#include "effectdialog/vst_edit_dialog.h"
#include "temp_dir.h"

namespace testdialog {

// The test plug-in built next to the test program ("gain" -> .../plugins/gain.so).
inline std::string TestPluginPath(const std::string& name) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
    folder = folder.substr(0, folder.rfind('/') + 1);
    return folder + "plugins/" + name + ".so";
}

// Whether the text has the lines in this order (others may come between).
inline bool InOrder(const std::string& text, const std::vector<std::string>& lines) {
    std::size_t at = 0;
    for (const std::string& line : lines) {
        at = text.find(line + "\n", at);
        if (at == std::string::npos)
            return false;
        at += line.size();
    }
    return true;
}

// What the effect's hooks were called with.
struct Listener {
    int closed = 0;
    int paramsChanged = 0;
    std::vector<EffectParam> lastParams;

    void Attach(PnAudioEffect& effect) {
        effect.SetListener(
            this,
            [](void* self, const std::vector<EffectParam>& params) {
                auto* listener = static_cast<Listener*>(self);
                ++listener->paramsChanged;
                listener->lastParams = params;
            },
            nullptr, [](void* self) { ++static_cast<Listener*>(self)->closed; });
    }
};

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartStrings(dir_.File("none.glo"), dir_.Path());
        LogInit(dir_.File("test.log").c_str(), false, false, false, false, false);
        setenv("VOXWARP_TEST_PLUGIN_LOG", dir_.File("calls.txt").c_str(), 1);
        SetMessageHandler([this](const ShownMessage& message) {
            messages_.push_back(message);
            return MessageAnswer::Ok;
        });
        InstallEffectEditors();
        VSTEditDialog::SetLastPosition(QPoint(0, 0));
    }
    void TearDown() override {
        effect_.UnLoad();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetEffectEditorFactory(nullptr);
        SetMessageHandler({});
        unsetenv("VOXWARP_TEST_PLUGIN_LOG");
        LogInit("", false, false, false, false, false);
        EndStrings();
    }

    void Load(const std::string& plugin) {
        ASSERT_EQ(effect_.Load(TestPluginPath(plugin), true), kVstSuccess) << plugin;
        listener_.Attach(effect_);
    }
    void LoadPath(const std::string& path) {
        ASSERT_EQ(effect_.Load(path, true), kVstSuccess) << path;
        listener_.Attach(effect_);
    }
    // The open dialog's window, or null.
    QWidget* Window() const {
        EffectEditorDialog* dialog = effect_.GetConfigWindow();
        return dialog != nullptr ? static_cast<QWidget*>(dialog->Window()) : nullptr;
    }
    std::string PluginCalls() const { return testsupport::ReadFile(dir_.File("calls.txt")); }
    std::string LogText() const { return testsupport::ReadFile(dir_.File("test.log")); }

    testsupport::TempDir dir_;
    PnAudioEffect effect_;
    Listener listener_;
    std::vector<ShownMessage> messages_;
};

} // namespace testdialog
