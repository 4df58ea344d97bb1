#include "effect/effect.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/mlog.h"
#include "base/strtable.h"
#include "effect/effect_names.h"
#include "platform/effect_module.h"
#include "platform/fault_guard.h"

namespace {

constexpr unsigned kStrSuccess = 120;
constexpr unsigned kStrUndefinedError = 141;
constexpr unsigned kStrLoadError = 153;
constexpr unsigned kStrNotFound = 154;
constexpr unsigned kStrFormatError = 155;
constexpr unsigned kStrNoAudioChannels = 156;

// Room for a fault's text, as the guards of the other modules use.
constexpr std::size_t kFaultTextChars = 321;
// Plug-in text buffers (effect and parameter names), zeroed before each call.
constexpr std::size_t kPluginTextBytes = 256;

std::int16_t ClipSample(float value) {
    if (value > 32767.0f)
        return 32767;
    if (value < -32768.0f)
        return -32768;
    if (value != value) // a plug-in's NaN is silence
        return 0;
    return static_cast<std::int16_t>(value); // toward zero
}

std::string FaultText(const FaultRecord& fault) {
    char text[kFaultTextChars];
    ExceptionText(fault, text, sizeof text);
    return text;
}

EffectEditorFactory* gEditorFactory = nullptr;

} // namespace

void SetEffectEditorFactory(EffectEditorFactory* factory) {
    gEditorFactory = factory;
}

std::string PnVstErrorText(std::uint32_t code) {
    switch (code) {
    case kVstSuccess:
        return LoadStr(kStrSuccess);
    case kVstLoadError:
        return LoadStr(kStrLoadError);
    case kVstNotFound:
        return LoadStr(kStrNotFound);
    case kVstFormatError:
        return LoadStr(kStrFormatError);
    case kVstNoAudioChannels:
        return LoadStr(kStrNoAudioChannels);
    default:
        return LoadStr(kStrUndefinedError);
    }
}

PnAudioEffect::~PnAudioEffect() {
    UnLoad();
}

PnVstErrorNum PnAudioEffect::Load(const std::string& path, bool on, EffectOwnerWindow* owner) {
    loadFaulted_ = false;
    PnVstErrorNum result = _SecureLoad(path, on);
    if (loadFaulted_) {
        std::string text = FaultText(loadFault_) + "\n\nEffect: \"" + path + "\"";
        if (owner != nullptr)
            owner->ShowStopMessage("Voxwarp", text);
        LogException("%s", text.c_str());
    }
    return result;
}

PnVstErrorNum PnAudioEffect::_SecureLoad(const std::string& path, bool on) {
    static constexpr char kMethod[] = "PnAudioEffect::_SecureLoad";
    LogScope scope(kMethod, "\"%s\", isOn=%d", path.c_str(), on ? 1 : 0);
    UnLoad();
    path_ = path;
    PnVstErrorNum result = LoadSteps(on);
    if (result != kVstSuccess) {
        if (loadFaulted_)
            TerminateFaulted(); // run none of the faulty plug-in's code again, effClose included
        else
            UnLoad();
    }
    scope.SetResult(PnVstErrorText(result));
    return result;
}

bool PnAudioEffect::LoadCall(int32_t opcode, intptr_t value, void* ptr, float opt) {
    AEffect* plugin = plugin_;
    auto body = [=] { plugin->dispatcher(plugin, opcode, 0, value, ptr, opt); };
    if (platform::CallGuarded(body, loadFault_))
        return true;
    loadFaulted_ = true;
    return false;
}

PnVstErrorNum PnAudioEffect::LoadSteps(bool on) {
    platform::EffectModuleError error;
    module_ = platform::LoadEffectModule(path_, error);
    if (module_ == nullptr) {
        LogError("Error of load vst plug-in. Error code: %u", static_cast<unsigned>(error.code));
        LogPlain("%s", error.message.c_str());
        return error.notFound ? kVstNotFound : kVstLoadError;
    }
    // Loading needs no pause here: the module is complete once the loader returns.
    auto entry = reinterpret_cast<AEffectEntryProc>(platform::EffectModuleSymbol(module_, "main"));
    if (entry == nullptr)
        entry = reinterpret_cast<AEffectEntryProc>(
            platform::EffectModuleSymbol(module_, "VSTPluginMain"));
    if (entry == nullptr)
        return kVstFormatError;

    AEffect* effect = nullptr;
    auto enter = [&effect, entry] { effect = entry(HostCallback); };
    if (!platform::CallGuarded(enter, loadFault_)) {
        loadFaulted_ = true;
        return kVstUndefinedError;
    }
    // A record without the magic or without a way to process is no effect of this interface;
    // nothing is sent to it, not even effClose.
    if (effect == nullptr || effect->magic != kEffectMagic || effect->dispatcher == nullptr ||
        (effect->processReplacing == nullptr && effect->process == nullptr))
        return kVstFormatError;
    plugin_ = effect;

    if (!LoadCall(effOpen))
        return kVstUndefinedError;

    EffectFileNames names = SplitEffectPath(path_);
    fileName_ = names.fileName;
    baseName_ = names.baseName;
    char effectName[kPluginTextBytes] = {};
    if (!LoadCall(effGetEffectName, 0, effectName))
        return kVstUndefinedError;
    name_ = PluginTextToUtf8(effectName, sizeof effectName);
    if (name_.empty())
        name_ = baseName_;

    numInputs_ = effect->numInputs;
    numOutputs_ = effect->numOutputs;
    if (effect->numParams > static_cast<int32_t>(kMaxEffectParams))
        LogWarning("Plug-in \"%s\" reports %d parameters; only the first %u are used",
                   path_.c_str(), static_cast<int>(effect->numParams),
                   static_cast<unsigned>(kMaxEffectParams));
    // Room for automation from other threads, before the plug-in can report any to this host.
    const std::uint16_t params = GetNumParams();
    pendingCount_.store(0);
    pending_ = std::make_unique<PendingParam[]>(params);
    pendingCount_.store(params);
    effect->user = this;
    if (numInputs_ <= 0 || numOutputs_ <= 0)
        return kVstNoAudioChannels;
    if (numInputs_ > kMaxChannels || numOutputs_ > kMaxChannels)
        return kVstFormatError;
    inputs_.assign(static_cast<std::size_t>(numInputs_), nullptr);
    outputs_.assign(static_cast<std::size_t>(numOutputs_), nullptr);
    scratchInputs_.resize(static_cast<std::size_t>(numInputs_ - 1));
    scratchOutputs_.resize(static_cast<std::size_t>(numOutputs_ - 1));
    scratchFrames_ = 0;

    if (!LoadCall(effSetSampleRate, 0, nullptr, static_cast<float>(kSampleRate)))
        return kVstUndefinedError;
    on_ = on;
    return kVstSuccess;
}

void PnAudioEffect::UnLoad() {
    static constexpr char kMethod[] = "PnAudioEffect::UnLoad";
    LogScope scope(kMethod);
    // The editor is closed while the plug-in can still take effEditClose.
    CloseConfig();
    if (plugin_ != nullptr) {
        // The record is the plug-in's and is gone after effClose.
        Dispatch(kMethod, effClose, 0, 0, nullptr, 0);
        plugin_ = nullptr;
    }
    Terminate();
}

void PnAudioEffect::Terminate() {
    static constexpr char kMethod[] = "PnAudioEffect::Terminate";
    LogScope scope(kMethod);
    Release(true);
}

void PnAudioEffect::TerminateFaulted() {
    static constexpr char kMethod[] = "PnAudioEffect::Terminate";
    LogScope scope(kMethod);
    Release(false);
}

void PnAudioEffect::Release(bool freeModule) {
    plugin_ = nullptr;
    on_ = false;
    // A module whose code faulted stays mapped: freeing it would run its finalisers, and a
    // thread it started may still run its code.
    if (freeModule)
        platform::FreeEffectModule(module_);
    module_ = nullptr;
    inputs_ = {};
    outputs_ = {};
    scratchInputs_ = {};
    scratchOutputs_ = {};
    scratchFrames_ = 0;
    numInputs_ = 0;
    numOutputs_ = 0;
    name_.clear();
    baseName_.clear();
    fileName_.clear();
    path_.clear();
}

void PnAudioEffect::DropFaulted(const char* method, const FaultRecord& fault) {
    lastFaultText_ = FaultText(fault);
    LogException("%s(): %s. Module: %s", method, FaultText(fault).c_str(), path_.c_str());
    TerminateFaulted();
}

bool PnAudioEffect::Dispatch(const char* method, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt, intptr_t* result) {
    if (plugin_ == nullptr)
        return false;
    AEffect* plugin = plugin_;
    intptr_t answer = 0;
    auto body = [=, &answer] {
        answer = plugin->dispatcher(plugin, opcode, index, value, ptr, opt);
    };
    FaultRecord fault;
    if (!platform::CallGuarded(body, fault)) {
        DropFaulted(method, fault);
        return false;
    }
    if (result != nullptr)
        *result = answer;
    return true;
}

bool PnAudioEffect::GrowBuffers(std::size_t frames) {
    try {
        if (input_.size() < frames) {
            input_.resize(frames);
            output_.resize(frames);
        }
        if (frames > scratchFrames_) {
            for (auto& buffer : scratchInputs_)
                buffer.assign(frames, 0.0f);
            for (auto& buffer : scratchOutputs_)
                buffer.assign(frames, 0.0f);
            scratchFrames_ = frames;
            for (std::size_t i = 0; i < scratchInputs_.size(); ++i)
                inputs_[i + 1] = scratchInputs_[i].data();
            for (std::size_t i = 0; i < scratchOutputs_.size(); ++i)
                outputs_[i + 1] = scratchOutputs_[i].data();
        }
    } catch (const std::bad_alloc&) {
        LogError("PnAudioEffect::ProcessMono(): no memory for a block of %zu samples", frames);
        return false;
    }
    return true;
}

bool PnAudioEffect::PrepareBlocks(std::size_t frames) {
    return plugin_ != nullptr && GrowBuffers(std::max<std::size_t>(frames, 1));
}

void PnAudioEffect::ProcessMono(void* samples, std::uint32_t byteCount) {
    if (plugin_ == nullptr || !on_)
        return;
    std::size_t frames = byteCount / 2;
    // Never hand the plug-in a null buffer, not even for an empty block.
    if (!GrowBuffers(std::max<std::size_t>(frames, 1)))
        return;
    auto* bytes = static_cast<unsigned char*>(samples);
    for (std::size_t i = 0; i < frames; ++i) {
        std::int16_t sample;
        std::memcpy(&sample, bytes + 2 * i, sizeof sample);
        input_[i] = sample;
    }
    std::fill_n(output_.begin(), frames, 0.0f);
    // The voice is on the first input only; the others stay silent even if the plug-in wrote
    // into them last time.
    for (auto& buffer : scratchInputs_)
        std::fill_n(buffer.begin(), frames, 0.0f);
    inputs_[0] = input_.data();
    outputs_[0] = output_.data();

    AEffect* plugin = plugin_;
    float** inputs = inputs_.data();
    float** outputs = outputs_.data();
    auto count = static_cast<int32_t>(frames);
    FaultRecord fault;
    bool completed;
    if (plugin->processReplacing != nullptr) {
        auto body = [=] { plugin->processReplacing(plugin, inputs, outputs, count); };
        completed = platform::CallGuarded(body, fault);
    } else {
        // An effect that only accumulates adds to the silent output.
        auto body = [=] { plugin->process(plugin, inputs, outputs, count); };
        completed = platform::CallGuarded(body, fault);
    }
    if (completed) {
        inputs_[0] = nullptr;
        outputs_[0] = nullptr;
    } else {
        DropFaulted("PnAudioEffect::ProcessMono", fault);
    }

    for (std::size_t i = 0; i < frames; ++i) {
        std::int16_t sample = ClipSample(output_[i]);
        std::memcpy(bytes + 2 * i, &sample, sizeof sample);
    }
}

std::uint16_t PnAudioEffect::GetNumParams() const {
    if (plugin_ == nullptr)
        return 0;
    return static_cast<std::uint16_t>(
        std::clamp<int32_t>(plugin_->numParams, 0, static_cast<int32_t>(kMaxEffectParams)));
}

std::string PnAudioEffect::GetParamName(int index) {
    char buffer[kPluginTextBytes] = {};
    if (index >= 0 && index < GetNumParams())
        Dispatch("PnAudioEffect::GetParamName", effGetParamName, index, 0, buffer, 0);
    std::string name = TrimBlanks(PluginTextToUtf8(buffer, sizeof buffer));
    if (name.empty())
        name = "Undefined parameter " + std::to_string(index);
    return name;
}

float PnAudioEffect::GetParameter(int index) {
    if (index < 0 || index >= GetNumParams())
        return 0;
    AEffect* plugin = plugin_;
    float value = 0;
    auto body = [plugin, index, &value] { value = plugin->getParameter(plugin, index); };
    FaultRecord fault;
    if (!platform::CallGuarded(body, fault)) {
        DropFaulted("PnAudioEffect::GetParameter", fault);
        return 0;
    }
    return value;
}

void PnAudioEffect::SetParameter(int index, float value) {
    if (index < 0 || index >= GetNumParams())
        return;
    AEffect* plugin = plugin_;
    auto body = [plugin, index, value] { plugin->setParameter(plugin, index, value); };
    FaultRecord fault;
    if (!platform::CallGuarded(body, fault))
        DropFaulted("PnAudioEffect::SetParameter", fault);
}

std::vector<EffectParam> PnAudioEffect::GetParams() {
    std::vector<EffectParam> params;
    int count = GetNumParams();
    params.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        EffectParam param;
        param.value = GetParameter(i);
        param.name = GetParamName(i);
        params.push_back(std::move(param));
    }
    return params;
}

void PnAudioEffect::SetParams(const std::vector<EffectParam>& params) {
    for (std::size_t i = 0; i < params.size(); ++i)
        SetParameter(static_cast<int>(i), params[i].value);
}

bool PnAudioEffect::EditOpen(void* window) {
    intptr_t answer = 0;
    return Dispatch("PnAudioEffect::EditOpen", effEditOpen, 0, 0, window, 0, &answer) &&
           answer != 0;
}

void PnAudioEffect::EditIdle() {
    Dispatch("PnAudioEffect::EditIdle", effEditIdle, 0, 0, nullptr, 0);
}

void PnAudioEffect::EditClose() {
    Dispatch("PnAudioEffect::EditClose", effEditClose, 0, 0, nullptr, 0);
}

bool PnAudioEffect::EditGetRect(ERect& rect) {
    ERect* answer = nullptr;
    if (!Dispatch("PnAudioEffect::EditGetRect", effEditGetRect, 0, 0, &answer, 0) ||
        answer == nullptr)
        return false;
    rect = *answer;
    return true;
}

bool PnAudioEffect::Config(void* ownerWindow, void* listenerContext) {
    static constexpr char kMethod[] = "PnAudioEffect::Config";
    LogScope scope(kMethod);
    CloseConfig();
    if (gEditorFactory == nullptr || plugin_ == nullptr) {
        scope.SetResult("false");
        return false;
    }
    listenerContext_.store(listenerContext);
    listenerThread_.store(std::this_thread::get_id());
    editorDialog_ = gEditorFactory->CreateEditorDialog(*this, ownerWindow);
    bool shown = editorDialog_ != nullptr && editorDialog_->ShowNotModal();
    if (!shown) {
        // A dialog that refused may have closed itself already.
        closedDialog_.reset();
        editorDialog_.reset();
    }
    scope.SetResult(shown ? "true" : "false");
    return shown;
}

void PnAudioEffect::CloseConfig() {
    static constexpr char kMethod[] = "PnAudioEffect::CloseConfig";
    closedDialog_.reset();
    if (editorDialog_ == nullptr)
        return;
    LogScope scope(kMethod);
    std::unique_ptr<EffectEditorDialog> dialog = std::move(editorDialog_);
    dialog->Close();
}

void PnAudioEffect::EditorDialogClosed() {
    if (editorDialog_ != nullptr)
        closedDialog_ = std::move(editorDialog_);
}

void PnAudioEffect::SetListener(void* context, ParamsChangedHook paramsChanged,
                                ParamChangedHook paramChanged, EditorClosedHook editorClosed) {
    listenerThread_.store(std::this_thread::get_id());
    listenerContext_.store(context);
    paramsChanged_ = paramsChanged;
    paramChanged_.store(paramChanged);
    editorClosed_ = editorClosed;
}

void PnAudioEffect::DeliverAutomation() {
    if (!anyPending_.exchange(false, std::memory_order_acquire))
        return;
    const ParamChangedHook hook = paramChanged_.load();
    const std::int32_t count = pendingCount_.load();
    for (std::int32_t i = 0; i < count; ++i) {
        if (!pending_[static_cast<std::size_t>(i)].changed.exchange(false,
                                                                    std::memory_order_acquire))
            continue;
        EffectParam param;
        param.value = pending_[static_cast<std::size_t>(i)].value.load(std::memory_order_relaxed);
        if (hook != nullptr)
            hook(listenerContext_.load(), i, param);
    }
}

intptr_t PnAudioEffect::HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                     void* ptr, float opt) {
    (void)value, (void)ptr;
    switch (opcode) {
    case audioMasterAutomate: {
        auto* host = effect != nullptr ? static_cast<PnAudioEffect*>(effect->user) : nullptr;
        if (host == nullptr || host->plugin_ != effect)
            return 0;
        host->modified_.store(true);
        const ParamChangedHook hook = host->paramChanged_.load();
        if (hook == nullptr)
            return 0;
        if (std::this_thread::get_id() != host->listenerThread_.load()) {
            // Another thread (the engine's, from processReplacing): only recorded, for
            // DeliverAutomation on the listener's thread. No lock, no allocation.
            if (index >= 0 && index < host->pendingCount_.load()) {
                PendingParam& pending = host->pending_[static_cast<std::size_t>(index)];
                pending.value.store(opt, std::memory_order_relaxed);
                pending.changed.store(true, std::memory_order_release);
                host->anyPending_.store(true, std::memory_order_release);
            }
            return 0;
        }
        // The plug-in called in from its own code: nothing may be thrown back into it.
        try {
            EffectParam param;
            param.value = opt;
            hook(host->listenerContext_.load(), index, param);
        } catch (...) {
            LogError("PnAudioEffect::HostCallback(): the parameter listener failed");
        }
        return 0;
    }
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterSizeWindow: {
        // Only the listener's thread owns the dialog; a plug-in asking from another thread is
        // answered "not done".
        auto* host = effect != nullptr ? static_cast<PnAudioEffect*>(effect->user) : nullptr;
        if (host == nullptr || host->plugin_ != effect || host->editorDialog_ == nullptr ||
            std::this_thread::get_id() != host->listenerThread_.load())
            return 0;
        return host->editorDialog_->SizeWindow(index, static_cast<int>(value)) ? 1 : 0;
    }
    default:
        return 0;
    }
}
