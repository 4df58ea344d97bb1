// CEditEffect's plug-in work: loading the chosen plug-in with its editor beside the dialog, and
// importing and deleting plug-in files.
#include "editeffect/edit_effect.h"

#include <QLineEdit>
#include <QListWidget>
#include <QScreen>

#include <filesystem>

#include "audio/wmme.h"
#include "base/mlog.h"
#include "common/message_box.h"
#include "config/config.h"
#include "editeffect/edit_effect_texts.h"
#include "editeffect/editor_placement.h"
#include "editeffect/import_filter.h"
#include "effect/effect_library.h"
#include "effect/effect_names.h"
#include "teststream/test_stream.h"

using namespace edittext;

namespace {

bool Confirmed(QWidget* parent, const std::string& text) {
    return ShowMessage(parent, text, MessageIcon::Warning, MessageButtons::YesNo) ==
           MessageAnswer::Yes;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

} // namespace

void CEditEffect::Configure(const std::string& plugin) {
    LogScope scope("CEditEffect::Configure", "%s", plugin.c_str());
    UnloadPlugin();
    const std::string path = PluginPath(working_, plugin);
    const PnVstErrorNum result = testStream_ != nullptr ? testStream_->LoadEffect(path, this)
                                                        : ownHost_.Load(path, true, this);
    scope.SetResult(static_cast<std::uint32_t>(result));
    if (result != kVstSuccess) {
        // A fault inside the plug-in has been shown over the dialog already.
        if (result != kVstUndefinedError)
            ShowMessage(this, Format(kLoadError, path.c_str(), PnVstErrorText(result).c_str()),
                        MessageIcon::Error);
        return;
    }
    loadedPlugin_ = plugin;
    changed_ = false;
    if (plugin == effect_.plugin)
        Host().SetParams(effect_.params);
    Host().SetModified(false);
    // A test stream that could not be opened plays nothing; starting it would drop the plug-in.
    if (testStream_ != nullptr && testStream_->IsOpen() && !testStream_->IsRunning()) {
        const MmeErrorNum started = testStream_->TestStart();
        if (started != kMmeSuccess)
            LogWarning("CEditEffect::Configure(): no live listening: %s",
                       MmeErrorText(started).c_str());
    }
    Host().SetListener(this, OnParamsChanged, OnParamChanged, OnEditorClosed);
    if (Host().Config(static_cast<QWidget*>(this), this))
        PlaceEditor();
}

void CEditEffect::UnloadPlugin() {
    Host().CloseConfig();
    if (testStream_ != nullptr)
        testStream_->UnLoad();
    else
        ownHost_.UnLoad();
    loadedPlugin_.clear();
    changed_ = false;
}

void CEditEffect::PlaceEditor() {
    EffectEditorDialog* dialog = Host().GetConfigWindow();
    auto* editor = dialog != nullptr ? static_cast<QWidget*>(dialog->Window()) : nullptr;
    if (editor == nullptr)
        return;
    const QScreen* shownOn = screen();
    const QRect available = shownOn != nullptr ? shownOn->availableGeometry()
                                               : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
    editor->move(EditorWindowPosition(frameGeometry(), editor->frameGeometry().size(), available));
}

bool CEditEffect::HasUnsavedChanges() {
    return !loadedPlugin_.empty() && Host().IsLoaded() && (changed_ || Host().IsModified());
}

void CEditEffect::UsePlugin() {
    const std::string selected = SelectedPlugin();
    if (selected.empty())
        return;
    LogScope scope("CEditEffect::OnUse", "%s", selected.c_str());
    // Loading a plug-in, the same one again included, drops the values set in its editor.
    if (HasUnsavedChanges()) {
        std::string name = name_->text().trimmed().toStdString();
        if (name.empty())
            name = initialName_;
        if (!Confirmed(this, Format(kLoseChanges, name.c_str())))
            return;
    }
    usedVst_->setText(QString::fromStdString(selected));
    Configure(selected);
}

void CEditEffect::ImportPlugin() {
    const std::string source = chooseImport_(this, QtFileFilter(LoadStr(kImportFilter)));
    if (source.empty())
        return;
    LogScope scope("CEditEffect::OnImport", "%s", source.c_str());
    const std::string fileName = ImportFileName(source);
    const std::string plugin = SplitEffectPath(fileName).baseName;
    if (fileName.size() >= 5 && PluginExists(working_, plugin)) {
        if (SameFile(source, PluginPath(working_, plugin)))
            return; // the plug-in itself: nothing to copy, and deleting it would lose it
        if (!Confirmed(this, Format(kReplacePlugin, plugin.c_str())))
            return;
        // The plug-in in place is given up only for one that loads.
        std::string message;
        if (!TestPlugin(source, message)) {
            LogWarning("CEditEffect::OnImport(): %s", message.c_str());
            ShowMessage(this, message, MessageIcon::Error);
            return;
        }
        if (!RemovePluginFile(plugin))
            return;
    }
    try {
        ::ImportPlugin(working_, source);
    } catch (const MyError& error) {
        const std::string text = error.Text() != nullptr ? error.Text() : "";
        LogWarning("CEditEffect::OnImport(): %s", text.c_str());
        ShowMessage(this, text, MessageIcon::Error);
    }
    FillPluginList();
    SelectPlugin(plugin);
}

void CEditEffect::DeleteSelectedPlugin() {
    const std::string plugin = SelectedPlugin();
    if (plugin.empty())
        return;
    LogScope scope("CEditEffect::OnDelete", "%s", plugin.c_str());
    if (!Confirmed(this, LoadStr(kConfirmDelete)))
        return;
    if (!RemovePluginFile(plugin))
        return;
    ForgetEffectsOf(plugin);
    // An effect cannot keep a plug-in that is gone.
    if (usedVst_->text().toStdString() == plugin)
        usedVst_->clear();
    FillPluginList();
}

bool CEditEffect::RemovePluginFile(const std::string& plugin) {
    if (PluginInUseByServer(plugin)) {
        ShowMessage(this, LoadStr(kPluginInUse), MessageIcon::Error);
        return false;
    }
    if (loadedPlugin_ == plugin)
        UnloadPlugin();
    try {
        DeletePlugin(working_, plugin);
    } catch (const MyError& error) {
        const std::string text = error.Text() != nullptr ? error.Text() : "";
        LogWarning("CEditEffect::OnDelete(): %s", text.c_str());
        ShowMessage(this, text, MessageIcon::Error);
        return false;
    }
    return true;
}

void CEditEffect::ForgetEffectsOf(const std::string& plugin) {
    const auto forget = [&plugin](AppConfig& config) {
        for (int i = static_cast<int>(config.voiceEffects.size()) - 1; i >= 0; --i)
            if (config.voiceEffects[static_cast<std::size_t>(i)].plugin == plugin)
                DeleteVoiceEffect(config, i);
    };
    forget(working_);
    if (&running_ != &working_)
        forget(running_);
    if (!running_.WriteVoiceEffects())
        LogError("CEditEffect::OnDelete(): could not write %s",
                 running_.VoiceEffectsPath().c_str());
}

bool CEditEffect::PluginInUseByServer(const std::string& plugin) {
    if (!serverConnected_ || !serverConnected_())
        return false;
    for (const std::string& slot : running_.effects) {
        if (slot.empty())
            continue;
        const int index = FindVoiceEffect(running_.voiceEffects, slot);
        if (index >= 0 && running_.voiceEffects[static_cast<std::size_t>(index)].plugin == plugin)
            return true;
    }
    return false;
}

void CEditEffect::OnParamsChanged(void* context, const std::vector<EffectParam>& /*params*/) {
    static_cast<CEditEffect*>(context)->changed_ = true;
}

void CEditEffect::OnParamChanged(void* context, int /*index*/, const EffectParam& /*param*/) {
    static_cast<CEditEffect*>(context)->changed_ = true;
}

void CEditEffect::OnEditorClosed(void* /*context*/) {
    // The editor closed by itself (close box, a fault): the values stay in the plug-in.
}
