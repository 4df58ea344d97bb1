// The plug-in side of the effect interface: EffectBase owns the effect record that the host
// sees, routes the host's calls to virtual operations with sensible defaults, and wraps the
// calls a plug-in makes to its host. An effect derives from it and overrides what it does.
#pragma once

#include <cstdint>
#include <memory>

#include "effect/aeffect.h"

class EffectBase;

// An effect's editor window; attached to its effect, which owns it.
class EffectEditor {
public:
    explicit EffectEditor(EffectBase* effect) : effect_(effect) {}
    virtual ~EffectEditor() = default;
    EffectEditor(const EffectEditor&) = delete;
    EffectEditor& operator=(const EffectEditor&) = delete;

    // Points *rect at the editor's rectangle; non-zero when it did.
    virtual intptr_t getRect(ERect** rect) {
        *rect = nullptr;
        return 0;
    }
    // Opens the editor inside the host's window (an X11 window id on Linux).
    virtual intptr_t open(void* window) {
        (void)window;
        return 0;
    }
    virtual void close() {}
    virtual void idle() {}
    virtual intptr_t onKeyDown(int32_t character, intptr_t virtualKey, float modifiers) {
        (void)character, (void)virtualKey, (void)modifiers;
        return 0;
    }
    virtual intptr_t onKeyUp(int32_t character, intptr_t virtualKey, float modifiers) {
        (void)character, (void)virtualKey, (void)modifiers;
        return 0;
    }
    virtual intptr_t setKnobMode(int32_t mode) {
        (void)mode;
        return 0;
    }

protected:
    EffectBase* effect_;
};

class EffectBase {
public:
    // Text buffers of the display helpers hold 8 characters and a zero.
    static constexpr int kDisplayChars = 8;

    EffectBase(audioMasterCallback host, int32_t numPrograms, int32_t numParams);
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // The record handed to the host.
    AEffect* getAeffect() { return &cEffect_; }
    // Raised during construction when a part of the effect could not be created; the entry
    // point then gives the host no effect.
    bool outOfMemory() const { return outOfMemory_; }

    // Parameters, values in 0..1.
    virtual void setParameter(int32_t index, float value);
    virtual float getParameter(int32_t index);
    // Applies the value and tells the host that the user changed it.
    virtual void setParameterAutomated(int32_t index, float value);

    // Adds the effect's output to the outputs.
    virtual void process(float** inputs, float** outputs, int32_t sampleFrames) = 0;
    // Writes the effect's output over the outputs.
    virtual void processReplacing(float** inputs, float** outputs, int32_t sampleFrames);

    // Answers one opcode of the host.
    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    virtual void open() {}
    virtual void close() {}

    // Programs.
    virtual int32_t getProgram() { return curProgram_; }
    virtual void setProgram(int32_t program) { curProgram_ = program; }
    virtual void setProgramName(char* name) { (void)name; }
    virtual void getProgramName(char* name) { *name = 0; }

    // Parameter texts; each buffer has room for 8 characters and a zero.
    virtual void getParameterLabel(int32_t index, char* label);
    virtual void getParameterDisplay(int32_t index, char* text);
    virtual void getParameterName(int32_t index, char* text);

    // Current output level, 0..1.
    virtual float getVu() { return 0; }

    // Whole-state chunks; the size in bytes, or 0 for none.
    virtual int32_t getChunk(void** data, bool isPreset);
    virtual int32_t setChunk(void* data, int32_t byteSize, bool isPreset);

    virtual void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    virtual void setBlockSize(int32_t blockSize) { blockSize_ = blockSize; }
    virtual void suspend() {}
    virtual void resume() {}

    // What the record publishes.
    void setUniqueID(int32_t id) { cEffect_.uniqueID = id; }
    void setNumInputs(int32_t inputs) { cEffect_.numInputs = inputs; }
    void setNumOutputs(int32_t outputs) { cEffect_.numOutputs = outputs; }
    void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    void setRealtimeQualities(int32_t qualities) { cEffect_.realQualities = qualities; }
    void setOfflineQualities(int32_t qualities) { cEffect_.offQualities = qualities; }
    void setInitialDelay(int32_t delay) { cEffect_.initialDelay = delay; }

    float getSampleRate() const { return sampleRate_; }
    int32_t getBlockSize() const { return blockSize_; }

    // Queries to the host; each answers 0 (or false) without a host.
    int32_t getMasterVersion();
    int32_t getCurrentUniqueId();
    void masterIdle();
    bool isInputConnected(int32_t input);
    bool isOutputConnected(int32_t output);

    // 8-character displays: a gain as decibels, a period of samples as its frequency and as
    // milliseconds, a number with a decimal point, a whole number.
    void dB2string(float value, char* text);
    void Hz2string(float samples, char* text);
    void ms2string(float samples, char* text);
    static void float2string(float value, char* text);
    static void long2string(long value, char* text);

    // Version 2 operations behind opcodes 25 and up.
    virtual int32_t processEvents(void* events) { return (void)events, 0; }
    virtual bool canParameterBeAutomated(int32_t index) { return (void)index, true; }
    virtual bool string2parameter(int32_t index, char* text) {
        return (void)index, (void)text, false;
    }
    virtual int32_t getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(int32_t category, int32_t index, char* text);
    virtual bool copyProgram(int32_t destination) { return (void)destination, false; }
    virtual void inputConnected(int32_t index, bool state) { (void)index, (void)state; }
    virtual void outputConnected(int32_t index, bool state) { (void)index, (void)state; }
    virtual bool getInputProperties(int32_t index, void* properties);
    virtual bool getOutputProperties(int32_t index, void* properties);
    virtual int32_t getPlugCategory() { return 0; }
    virtual intptr_t reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual bool offlineNotify(void* audioFiles, int32_t count, bool start);
    virtual bool offlinePrepare(void* tasks, int32_t count);
    virtual bool offlineRun(void* tasks, int32_t count);
    virtual bool processVariableIo(void* io) { return (void)io, false; }
    virtual bool setSpeakerArrangement(void* input, void* output);
    virtual bool setBypass(bool on) { return (void)on, false; }
    virtual bool getEffectName(char* name) { return (void)name, false; }
    virtual bool getErrorText(char* text) { return (void)text, false; }
    virtual bool getVendorString(char* text) { return (void)text, false; }
    virtual bool getProductString(char* text) { return (void)text, false; }
    virtual int32_t getVendorVersion() { return 0; }
    virtual intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
    // 1 yes, -1 no, 0 do not know.
    virtual int32_t canDo(char* text) { return (void)text, 0; }
    virtual int32_t getTailSize() { return 0; }
    virtual int32_t fxIdle() { return 0; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(int32_t x, int32_t y) { return (void)x, (void)y, false; }
    virtual bool getParameterProperties(int32_t index, void* properties);
    virtual bool keysRequired() { return false; }
    // 2 for interface version 2.0; an effect of a later version answers its own.
    virtual int32_t getVstVersion() { return 2; }

    // Version 2 queries to the host.
    bool wantEvents(int32_t filter = 1);
    void* getTimeInfo(int32_t filter);
    bool ioChanged();
    bool needIdle();
    bool sizeWindow(int32_t width, int32_t height);
    bool updateDisplay();
    bool beginEdit(int32_t index);
    bool endEdit(int32_t index);
    int32_t canHostDo(const char* text);

    // The attached editor (the effect owns it); attaching one sets the has-editor flag.
    void setEditor(std::unique_ptr<EffectEditor> editor);
    EffectEditor* getEditor() { return editor_.get(); }

protected:
    void setOutOfMemory() { outOfMemory_ = true; }
    void setFlag(int32_t flag, bool state);
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0);

    AEffect cEffect_;
    audioMasterCallback host_;
    float sampleRate_ = 44100;
    std::unique_ptr<EffectEditor> editor_;
    int32_t numPrograms_;
    int32_t numParams_;
    int32_t curProgram_ = 0;
    int32_t blockSize_ = 1024;

private:
    intptr_t editorDispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    bool outOfMemory_ = false;
};
