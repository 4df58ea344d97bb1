// The effect host: PnAudioEffect loads one effect plug-in, answers its calls to the host, runs
// 16-bit mono sound through it, reads and writes its parameters and unloads it. Every call into
// plug-in code is guarded: a plug-in that faults is dropped with a log line and the host goes
// on without it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/exception.h"
#include "base/types.h"
#include "effect/aeffect.h"

// Result of loading a plug-in.
enum PnVstErrorNum : std::uint32_t {
    kVstSuccess = 0,
    kVstLoadError = 1,       // the module could not be loaded (any reason but a missing file)
    kVstNotFound = 2,        // the module or a library it needs was not found
    kVstFormatError = 3,     // no entry point, or the entry point gave no effect
    kVstNoAudioChannels = 4, // the plug-in has no audio inputs or no audio outputs
    kVstUndefinedError = 5,  // the plug-in faulted while loading
};

// The localised message of a PnVstErrorNum value ("Undefined error" for any other value).
std::string PnVstErrorText(std::uint32_t code);

// The window that a load failure inside plug-in code is shown over (the control panel's).
class EffectOwnerWindow {
public:
    virtual ~EffectOwnerWindow() = default;
    // A message box with a stop icon.
    virtual void ShowStopMessage(const std::string& caption, const std::string& text) = 0;
};

class PnAudioEffect;

// The editor dialog of a loaded effect: the plug-in's own editor or the generic parameter
// editor. The control panel makes them (see EffectEditorFactory); the voice server has none.
class EffectEditorDialog {
public:
    virtual ~EffectEditorDialog() = default;
    // Opens and shows the dialog, not modally; false when none is shown (the plug-in has no
    // parameters, or its editor failed to open). Command thread; may block.
    virtual bool ShowNotModal() = 0;
    // Closes the dialog as its close box does. Safe to call twice. Command thread; may block.
    virtual void Close() = 0;
    // The plug-in asked for an editor area of width x height pixels; false when the dialog
    // does not follow. Command thread; may block.
    virtual bool SizeWindow(int width, int height) = 0;
    // The dialog's own window object (a QWidget in the control panel). Any thread.
    virtual void* Window() = 0;
};

// Makes editor dialogs: installed once by the control panel (SetEffectEditorFactory).
class EffectEditorFactory {
public:
    virtual ~EffectEditorFactory() = default;
    // A dialog for effect, owned by ownerWindow (the factory's own kind of window, or null).
    // Command thread; may block.
    virtual std::unique_ptr<EffectEditorDialog> CreateEditorDialog(PnAudioEffect& effect,
                                                                   void* ownerWindow) = 0;
};

// Installs the process's editor factory (not owned); nullptr removes it. Command thread.
void SetEffectEditorFactory(EffectEditorFactory* factory);

// The most parameters of one plug-in the host works with: far more than any voice effect has,
// few enough that a library of such effects stays readable.
constexpr std::uint16_t kMaxEffectParams = 4096;

class PnAudioEffect {
public:
    // Called from the editor's idle tick when parameters were changed in the editor.
    using ParamsChangedHook = void (*)(void* context, const std::vector<EffectParam>& params);
    // Called for each parameter change that the plug-in reports.
    using ParamChangedHook = void (*)(void* context, int index, const EffectParam& param);
    // Called when the editor dialog closes.
    using EditorClosedHook = void (*)(void* context);

    static constexpr std::uint32_t kSampleRate = 44100;
    // The host's answer to audioMasterVersion.
    static constexpr intptr_t kHostVersion = 2400;
    // More audio channels than this are not taken for a plug-in's.
    static constexpr int32_t kMaxChannels = 1024;

    // An empty host: nothing is loaded. Any thread.
    PnAudioEffect() = default;
    // Unloads the plug-in. Command thread; may block.
    ~PnAudioEffect();
    PnAudioEffect(const PnAudioEffect&) = delete;
    PnAudioEffect& operator=(const PnAudioEffect&) = delete;

    // Loads the plug-in at path in place of the current one; processing runs only when on is
    // set. A fault inside the plug-in while loading is logged, shown over owner when given, and
    // gives kVstUndefinedError. Any failure leaves nothing loaded. Command thread; may block.
    PnVstErrorNum Load(const std::string& path, bool on, EffectOwnerWindow* owner = nullptr);
    // Closes the plug-in and frees its module. Safe when nothing is loaded.
    // Command thread; may block.
    void UnLoad();
    // Frees the module without telling the plug-in and forgets the plug-in and its names.
    // Command thread; may block.
    void Terminate();
    // Whether a plug-in is loaded. Any thread.
    bool IsLoaded() const { return plugin_ != nullptr; }
    // Whether the loaded plug-in has an editor of its own (its record's has-editor flag).
    // Any thread.
    bool HasEditor() const { return plugin_ != nullptr && (plugin_->flags & effFlagsHasEditor); }

    // Makes room for blocks of up to frames samples, so that ProcessMono allocates nothing;
    // false when memory ran out. Command thread; may block.
    bool PrepareBlocks(std::size_t frames);
    // Runs byteCount / 2 16-bit samples in place through the plug-in (an odd last byte stays
    // as it is). Does nothing when nothing is loaded or the effect is off. Allocates only for a
    // block longer than PrepareBlocks made room for. Engine thread; real-time safe.
    void ProcessMono(void* samples, std::uint32_t byteCount);

    // Parameters; indices outside 0 .. GetNumParams() - 1 are ignored (value 0).
    // GetNumParams reads the count from the plug-in's record without calling it, capped at
    // kMaxEffectParams (the load logs a plug-in that reports more). Any thread.
    std::uint16_t GetNumParams() const;
    // The parameter's name as the plug-in gives it, or "Undefined parameter <index>".
    // Command thread; may block.
    std::string GetParamName(int index);
    // The parameter's value as the plug-in gives it. Command thread; may block.
    float GetParameter(int index);
    // Hands the parameter's value to the plug-in. Any thread that may run the plug-in's code
    // (a host's engine thread hands over parameter changes this way between blocks).
    void SetParameter(int index, float value);
    // Names and values of every parameter, by index. Command thread; may block.
    std::vector<EffectParam> GetParams();
    // Sets parameter i to the value of entry i, in order; names are ignored.
    // Command thread; may block.
    void SetParams(const std::vector<EffectParam>& params);

    // Editor calls (guarded); window is the parent window (an X11 window id on Linux).
    // Opens the plug-in's editor in window; false when it opens none. Command thread; may block.
    bool EditOpen(void* window);
    // Gives the open editor time to redraw. Command thread; may block.
    void EditIdle();
    // Closes the plug-in's editor. Command thread; may block.
    void EditClose();
    // The editor's rectangle; false when the plug-in gives none. Command thread; may block.
    bool EditGetRect(ERect& rect);

    // Opens the plug-in's editor, or the generic parameter editor, in a dialog owned by
    // ownerWindow, not modally, and keeps listenerContext for the hooks. False when no dialog
    // is shown (no editor factory, nothing loaded, or the dialog refused).
    // Command thread; may block.
    bool Config(void* ownerWindow, void* listenerContext);
    // Closes and destroys the editor dialog if one is open. Command thread; may block.
    void CloseConfig();
    // The open editor dialog, or null. Command thread.
    EffectEditorDialog* GetConfigWindow() const { return editorDialog_.get(); }
    // Called by the editor dialog when it closed itself (close box, Ok, a fault); it is then
    // destroyed later, on the command thread's next turn. Command thread.
    void EditorDialogClosed();
    // The text of the last fault that dropped the plug-in ("" when none has), for the editor
    // dialog's messages. Command thread.
    const std::string& LastFaultText() const { return lastFaultText_; }
    // The parameters-changed hook (the editor dialog's idle tick calls it). Command thread.
    ParamsChangedHook ParamsChanged() const { return paramsChanged_; }
    // The editor-closed hook (the editor dialog calls it as it closes). Command thread.
    EditorClosedHook EditorClosed() const { return editorClosed_; }
    // The context handed back to the hooks. Any thread.
    void* ListenerContext() const { return listenerContext_.load(); }

    // The listener of parameter changes and of the editor dialog. The calling thread owns it:
    // the hooks run on that thread only. Command thread; may block.
    void SetListener(void* context, ParamsChangedHook paramsChanged, ParamChangedHook paramChanged,
                     EditorClosedHook editorClosed);
    // Calls the parameter-changed hook for the automation that plug-ins reported on other
    // threads (the engine thread) since the last call, the latest value of each parameter in
    // the order of the parameters. Call it from the listener's thread, on its timer.
    // Command thread; may block.
    void DeliverAutomation();
    // Whether a parameter changed since the flag was last cleared; the plug-in sets it when
    // it reports a change. Any thread.
    bool IsModified() const { return modified_.load(); }
    // Sets or clears the changed flag. Any thread.
    void SetModified(bool modified) { modified_.store(modified); }

    // Whether processing runs. Any thread.
    bool IsOn() const { return on_; }
    // Display name: the plug-in's own effect name, or else the base name. Any thread.
    const std::string& Name() const { return name_; }
    // The plug-in file's name without its folder and extension. Any thread.
    const std::string& BaseName() const { return baseName_; }
    // The plug-in file's name without its folder. Any thread.
    const std::string& FileName() const { return fileName_; }
    // The path the plug-in was loaded from. Any thread.
    const std::string& Path() const { return path_; }
    // The plug-in's audio inputs. Any thread.
    std::int32_t NumInputs() const { return numInputs_; }
    // The plug-in's audio outputs. Any thread.
    std::int32_t NumOutputs() const { return numOutputs_; }

    // The function handed to plug-ins for their calls to the host; a plug-in may call it from
    // any of its threads, the engine thread included. Any thread.
    static intptr_t HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                 void* ptr, float opt);

private:
    PnVstErrorNum _SecureLoad(const std::string& path, bool on);
    // The load steps from opening the module to setting the sample rate.
    PnVstErrorNum LoadSteps(bool on);
    // Sends an opcode during loading; a fault is kept for Load to report.
    bool LoadCall(int32_t opcode, intptr_t value = 0, void* ptr = nullptr, float opt = 0);
    // Sends an opcode under a guard; a fault drops the plug-in (logged for method).
    bool Dispatch(const char* method, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                  float opt, intptr_t* result = nullptr);
    // Logs a fault of the plug-in inside method and drops it without running more of its code.
    void DropFaulted(const char* method, const FaultRecord& fault);
    // Terminate for a plug-in that faulted: its module is not freed.
    void TerminateFaulted();
    void Release(bool freeModule);
    // Grows the sample and scratch buffers to frames; false when memory ran out.
    bool GrowBuffers(std::size_t frames);

    void* module_ = nullptr;
    std::unique_ptr<EffectEditorDialog> editorDialog_;
    // A dialog that closed itself, destroyed at the next Config or CloseConfig (not from
    // inside its own handlers).
    std::unique_ptr<EffectEditorDialog> closedDialog_;
    std::string lastFaultText_;
    std::string name_;
    std::string baseName_;
    std::string fileName_;
    std::string path_;
    AEffect* plugin_ = nullptr;
    bool on_ = false;
    // A fault inside the plug-in during the current load.
    bool loadFaulted_ = false;
    FaultRecord loadFault_;

    std::int32_t numInputs_ = 0;
    std::int32_t numOutputs_ = 0;
    // Channel 0 points at the sample buffers during a call; the others at scratch buffers.
    std::vector<float*> inputs_;
    std::vector<float*> outputs_;
    std::vector<std::vector<float>> scratchInputs_;
    std::vector<std::vector<float>> scratchOutputs_;
    std::size_t scratchFrames_ = 0;
    std::vector<float> input_;
    std::vector<float> output_;

    std::atomic<void*> listenerContext_{nullptr};
    std::atomic<bool> modified_{false};
    ParamsChangedHook paramsChanged_ = nullptr;
    std::atomic<ParamChangedHook> paramChanged_{nullptr};
    EditorClosedHook editorClosed_ = nullptr;
    std::atomic<std::thread::id> listenerThread_{};

    // Automation reported on another thread than the listener's: the latest value of each
    // parameter and whether it is new, recorded without locks or allocation (made at load).
    struct PendingParam {
        std::atomic<float> value{0.0f};
        std::atomic<bool> changed{false};
    };
    std::unique_ptr<PendingParam[]> pending_;
    std::atomic<std::int32_t> pendingCount_{0};
    std::atomic<bool> anyPending_{false};
};
