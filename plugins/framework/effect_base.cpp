#include "effect_base.h"

#include <cstring>

namespace {

// 'NoEf': the unique ID of an effect that sets none.
constexpr int32_t kDefaultUniqueId = 0x4E6F4566;

EffectBase* Owner(AEffect* effect) {
    return static_cast<EffectBase*>(effect->object);
}

// The record's entries: each finds its effect object through the record.
intptr_t DispatchEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                       float opt) {
    EffectBase* owner = Owner(effect);
    if (opcode == effClose) {
        // The object goes with the record; the host must not touch either afterwards.
        owner->dispatcher(opcode, index, value, ptr, opt);
        delete owner;
        return 1;
    }
    return owner->dispatcher(opcode, index, value, ptr, opt);
}

void ProcessEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
    Owner(effect)->process(inputs, outputs, sampleFrames);
}

void ProcessReplacingEntry(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames) {
    Owner(effect)->processReplacing(inputs, outputs, sampleFrames);
}

void SetParameterEntry(AEffect* effect, int32_t index, float value) {
    Owner(effect)->setParameter(index, value);
}

float GetParameterEntry(AEffect* effect, int32_t index) {
    return Owner(effect)->getParameter(index);
}

} // namespace

EffectBase::EffectBase(audioMasterCallback host, int32_t numPrograms, int32_t numParams)
    : host_(host), numPrograms_(numPrograms), numParams_(numParams) {
    std::memset(&cEffect_, 0, sizeof cEffect_);
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = DispatchEntry;
    cEffect_.process = ProcessEntry;
    cEffect_.setParameter = SetParameterEntry;
    cEffect_.getParameter = GetParameterEntry;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.uniqueID = kDefaultUniqueId;
    cEffect_.version = 1;
    cEffect_.processReplacing = ProcessReplacingEntry;
}

EffectBase::~EffectBase() = default;

void EffectBase::setParameter(int32_t index, float value) {
    (void)index, (void)value;
}

float EffectBase::getParameter(int32_t index) {
    return (void)index, 0.0f;
}

void EffectBase::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    (void)inputs, (void)outputs, (void)sampleFrames;
}

void EffectBase::getParameterLabel(int32_t index, char* label) {
    (void)index, *label = 0;
}

void EffectBase::getParameterDisplay(int32_t index, char* text) {
    (void)index, *text = 0;
}

void EffectBase::getParameterName(int32_t index, char* text) {
    (void)index, *text = 0;
}

int32_t EffectBase::getChunk(void** data, bool isPreset) {
    (void)data, (void)isPreset;
    return 0;
}

int32_t EffectBase::setChunk(void* data, int32_t byteSize, bool isPreset) {
    (void)data, (void)byteSize, (void)isPreset;
    return 0;
}

bool EffectBase::getProgramNameIndexed(int32_t category, int32_t index, char* text) {
    (void)category, (void)index, (void)text;
    return false;
}

bool EffectBase::getInputProperties(int32_t index, void* properties) {
    (void)index, (void)properties;
    return false;
}

bool EffectBase::getOutputProperties(int32_t index, void* properties) {
    (void)index, (void)properties;
    return false;
}

bool EffectBase::offlineNotify(void* audioFiles, int32_t count, bool start) {
    (void)audioFiles, (void)count, (void)start;
    return false;
}

bool EffectBase::offlinePrepare(void* tasks, int32_t count) {
    (void)tasks, (void)count;
    return false;
}

bool EffectBase::offlineRun(void* tasks, int32_t count) {
    (void)tasks, (void)count;
    return false;
}

bool EffectBase::setSpeakerArrangement(void* input, void* output) {
    (void)input, (void)output;
    return false;
}

intptr_t EffectBase::vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
    (void)index, (void)value, (void)ptr, (void)opt;
    return 0;
}

bool EffectBase::getParameterProperties(int32_t index, void* properties) {
    (void)index, (void)properties;
    return false;
}

void EffectBase::setFlag(int32_t flag, bool state) {
    if (state)
        cEffect_.flags |= flag;
    else
        cEffect_.flags &= ~flag;
}

void EffectBase::setEditor(std::unique_ptr<EffectEditor> editor) {
    editor_ = std::move(editor);
    setFlag(effFlagsHasEditor, editor_ != nullptr);
}

intptr_t EffectBase::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return host_ != nullptr ? host_(&cEffect_, opcode, index, value, ptr, opt) : 0;
}

int32_t EffectBase::getMasterVersion() {
    return static_cast<int32_t>(callHost(audioMasterVersion));
}

int32_t EffectBase::getCurrentUniqueId() {
    return static_cast<int32_t>(callHost(audioMasterCurrentId));
}

void EffectBase::masterIdle() {
    callHost(audioMasterIdle);
}

// The host answers 0 for a connected pin.
bool EffectBase::isInputConnected(int32_t input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool EffectBase::isOutputConnected(int32_t output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

bool EffectBase::wantEvents(int32_t filter) {
    return callHost(audioMasterWantMidi, 0, filter) != 0;
}

void* EffectBase::getTimeInfo(int32_t filter) {
    return reinterpret_cast<void*>(callHost(audioMasterGetTime, 0, filter));
}

bool EffectBase::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}

bool EffectBase::needIdle() {
    return callHost(audioMasterNeedIdle) != 0;
}

bool EffectBase::sizeWindow(int32_t width, int32_t height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool EffectBase::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool EffectBase::beginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool EffectBase::endEdit(int32_t index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

int32_t EffectBase::canHostDo(const char* text) {
    return static_cast<int32_t>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)));
}
