// CEditEffect: the modal dialog "Edit Voice Effect". The user names a voice effect, picks its
// plug-in from the effects folder (importing or deleting plug-ins there), and sets the plug-in's
// parameters in its editor while listening through the test stream. OK hands back the effect;
// storing it in the library is the caller's business.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "base/types.h"
#include "effect/effect.h"

class AppConfig;
class QLineEdit;
class QListWidget;
class QPushButton;
class TestStream;

class CEditEffect : public QDialog, public EffectOwnerWindow {
    Q_OBJECT

public:
    // Asks for the plug-in file to import; empty when the user cancelled.
    using ImportChooser = std::function<std::string(QWidget* parent, const QString& filter)>;
    // Whether the voice server is connected (its command channel is open).
    using ServerProbe = std::function<bool()>;

    // effect: a copy of the library entry for Edit, an entry with no plug-in for New. working:
    // the configuration being edited (library, slots, folders), which also detects duplicate
    // names; running: the running configuration, whose slots keep a plug-in in use. Both must
    // outlive the dialog. testStream plays the plug-in while it is edited; without one the
    // dialog loads it into a host of its own and nothing is heard. GUI thread.
    CEditEffect(const VoiceEffect& effect, AppConfig& working, AppConfig& running,
                TestStream* testStream, QWidget* parent = nullptr);
    // Closes the plug-in's editor; the plug-in stays in the test stream. GUI thread.
    ~CEditEffect() override;

    // The effect as OK read it (before OK: as given). GUI thread.
    const VoiceEffect& Effect() const { return effect_; }
    // The name the effect had when the dialog opened. GUI thread.
    const std::string& InitialName() const { return initialName_; }

    // Replaces the file dialog of Import... (tests). GUI thread.
    void SetImportChooser(ImportChooser chooser) { chooseImport_ = std::move(chooser); }
    // Replaces the check of the server connection (default: the command channel opens).
    // GUI thread.
    void SetServerProbe(ServerProbe probe) { serverConnected_ = std::move(probe); }

    // The effect host the plug-in is loaded into. GUI thread.
    PnAudioEffect& Host();

    // A fault inside the plug-in while it loads. GUI thread.
    void ShowStopMessage(const std::string& caption, const std::string& text) override;

public slots:
    // OK: reads name, plug-in and parameters; stays open on a missing or duplicate name.
    void accept() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void BuildControls();
    // Refills the list from the effects folder; no line selected.
    void FillPluginList();
    void UpdateButtons();
    std::string SelectedPlugin() const;
    bool SelectPlugin(const std::string& plugin);

    void UsePlugin();
    void ImportPlugin();
    void DeleteSelectedPlugin();
    void ShowHelp();

    // Loads plugin into the test stream, sets the stored values when it is the effect's own,
    // starts listening and opens its editor beside the dialog.
    void Configure(const std::string& plugin);
    // Closes the editor and drops the plug-in from the test stream.
    void UnloadPlugin();
    // Moves the plug-in's editor beside the dialog.
    void PlaceEditor();
    bool HasUnsavedChanges();
    // The in-use rule, unloading and the file deletion shared by Delete and a replacing import;
    // false when refused or failed (the user has been told).
    bool RemovePluginFile(const std::string& plugin);
    // Drops every library effect built on plugin from both configurations and their slots.
    void ForgetEffectsOf(const std::string& plugin);
    bool PluginInUseByServer(const std::string& plugin);

    static void OnParamsChanged(void* context, const std::vector<EffectParam>& params);
    static void OnParamChanged(void* context, int index, const EffectParam& param);
    static void OnEditorClosed(void* context);

    VoiceEffect effect_;
    std::string initialName_;
    AppConfig& working_;
    AppConfig& running_;
    TestStream* testStream_;
    PnAudioEffect ownHost_;
    // The plug-in loaded for editing ("" when none) and whether its editor reported changes.
    std::string loadedPlugin_;
    bool changed_ = false;
    bool configured_ = false;

    ImportChooser chooseImport_;
    ServerProbe serverConnected_;

    QLineEdit* name_ = nullptr;
    QLineEdit* usedVst_ = nullptr;
    QListWidget* plugins_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};
