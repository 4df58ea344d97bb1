// A gain effect for the effect host tests, built in several variants (see CMakeLists.txt):
//   TEST_INPUTS / TEST_OUTPUTS   audio channel counts (1 and 2 when not given);
//   TEST_FAULT_IN_PROCESS        processReplacing writes to address 0;
//   TEST_FAULT_IN_ENTRY          the entry point writes to address 0;
//   TEST_BOTH_ENTRIES            exports "VSTPluginMain" besides "main", with different names;
//   TEST_AUTOMATE_IN_PROCESS     processReplacing sets parameter 0 to 0.5 through automation;
//   TEST_PARAMS                  the number of parameters (3 when not given);
//   TEST_EDITOR                  an editor of its own, TEST_EDITOR_WIDTH x TEST_EDITOR_HEIGHT
//                                (240 x 120 when not given), its rectangle known only once it
//                                is open; parameter 2 set to 0.5 or more makes its next idle ask
//                                the host for 300 x 200;
//   TEST_EDITOR_X11              the editor is an X11 window (x11_editor_window.h);
//   TEST_FAULT_IN_EDIT_OPEN      effEditOpen writes to address 0;
//   TEST_FAULT_IN_EDIT_IDLE      effEditIdle writes to address 0 from the second idle on.
// When the environment names a file in VOXWARP_TEST_PLUGIN_LOG, the effect appends one line per
// call it receives, so that a test can follow what the host did.
//
// Parameters: 0 "  Gain  " (factor = 4 * value, 0.25 at start), 1 "Link" (automates parameter
// 0 to the value it gets, as a control linked to it would), 2 without a name.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "effect_base.h"
#include "effect_entry.h"
#ifdef TEST_EDITOR_X11
#include "x11_editor_window.h"
#endif

#ifndef TEST_INPUTS
#define TEST_INPUTS 1
#endif
#ifndef TEST_OUTPUTS
#define TEST_OUTPUTS 2
#endif
#ifndef TEST_PARAMS
#define TEST_PARAMS 3
#endif
#ifndef TEST_EDITOR_WIDTH
#define TEST_EDITOR_WIDTH 240
#endif
#ifndef TEST_EDITOR_HEIGHT
#define TEST_EDITOR_HEIGHT 120
#endif

namespace {

// Written by the second input's scribbling variant into the buffers it was given.
constexpr float kScribble = 5000.0f;

volatile std::uintptr_t gNowhere = 0;

class TestEffect;
void LogCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The newest instance. A host abandons an instance that faulted (its module stays loaded); held
// here, it stays reachable, so that leak checkers report only real leaks.
TestEffect* gNewest = nullptr;

// An access violation at address 0 that neither the compiler nor a sanitizer turns into
// anything else.
[[maybe_unused]] __attribute__((noinline, no_sanitize_address, no_sanitize_undefined)) void
WriteToNowhere() {
    *reinterpret_cast<volatile int*>(gNowhere) = 1;
}

#ifdef TEST_EDITOR
// The size the editor asks its host for when parameter 2 reaches 0.5.
constexpr int kGrownWidth = 300;
constexpr int kGrownHeight = 200;

class TestEditor : public EffectEditor {
public:
    explicit TestEditor(EffectBase* effect) : EffectEditor(effect) {}

    intptr_t getRect(ERect** rect) override {
        LogCall("edit rect");
        if (!open_) {
            *rect = nullptr;
            return 0;
        }
        rect_ = ERect{0, 0, static_cast<int16_t>(height_), static_cast<int16_t>(width_)};
        *rect = &rect_;
        return 1;
    }
    intptr_t open(void* window) override {
        LogCall("edit open");
#ifdef TEST_FAULT_IN_EDIT_OPEN
        WriteToNowhere();
#endif
        open_ = true;
        idles_ = 0;
        width_ = TEST_EDITOR_WIDTH;
        height_ = TEST_EDITOR_HEIGHT;
#ifdef TEST_EDITOR_X11
        if (!window_.Open(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)),
                          width_, height_))
            return 0;
        LogCall("edit window 0x%x", static_cast<unsigned>(window_.Id()));
#else
        (void)window;
#endif
        return 1;
    }
    void close() override {
        LogCall("edit close");
        open_ = false;
#ifdef TEST_EDITOR_X11
        window_.Close();
#endif
    }
    void idle() override {
        if (idles_++ == 0)
            LogCall("edit idle");
#ifdef TEST_FAULT_IN_EDIT_IDLE
        if (idles_ > 1)
            WriteToNowhere();
#endif
        if (growRequested_ && width_ != kGrownWidth) {
            width_ = kGrownWidth;
            height_ = kGrownHeight;
#ifdef TEST_EDITOR_X11
            window_.Resize(width_, height_);
#endif
            LogCall("size window %d", effect_->sizeWindow(width_, height_) ? 1 : 0);
        }
#ifdef TEST_EDITOR_X11
        window_.Idle();
#endif
    }

    void RequestGrow() {
        growRequested_ = true;
    }

private:
    bool open_ = false;
    bool growRequested_ = false;
    int idles_ = 0;
    int width_ = TEST_EDITOR_WIDTH;
    int height_ = TEST_EDITOR_HEIGHT;
    ERect rect_{};
#ifdef TEST_EDITOR_X11
    XEditorWindow window_;
#endif
};
#endif

class TestEffect : public EffectBase {
public:
    TestEffect(audioMasterCallback host, const char* name)
        : EffectBase(host, 4, TEST_PARAMS), name_(name) {
        setNumInputs(TEST_INPUTS);
        setNumOutputs(TEST_OUTPUTS);
        gNewest = this;
        setUniqueID(0x74657374); // 'test'
        canProcessReplacing();
        hasVu();
#ifdef TEST_EDITOR
        setEditor(std::make_unique<TestEditor>(this));
#endif
        LogCall(
            "version %ld idle %ld cando %ld", static_cast<long>(callHost(audioMasterVersion)),
            static_cast<long>(callHost(audioMasterIdle)),
            static_cast<long>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow"))));
    }
    ~TestEffect() override {
        if (gNewest == this)
            gNewest = nullptr;
        LogCall("destroyed");
    }

    void open() override {
        LogCall("open");
    }
    void close() override {
        LogCall("close");
    }
    void setSampleRate(float rate) override {
        EffectBase::setSampleRate(rate);
        LogCall("rate %.0f", rate);
    }
    bool getEffectName(char* name) override {
        std::strcpy(name, name_);
        return name_[0] != 0;
    }

    void setParameter(int32_t index, float value) override {
        if (index == 0)
            gain_ = value;
        else if (index == 1)
            setParameterAutomated(0, value);
#ifdef TEST_EDITOR
        else if (index == 2 && value >= 0.5f)
            static_cast<TestEditor*>(getEditor())->RequestGrow();
#endif
    }
    float getParameter(int32_t index) override {
        return index == 0 ? gain_ : 0.0f;
    }
    void getParameterName(int32_t index, char* text) override {
        std::strcpy(text, index == 0 ? "  Gain  " : index == 1 ? "Link" : "");
    }
    float getVu() override {
        return 0.5f;
    }

    void process(float** inputs, float** outputs, int32_t frames) override {
        for (int32_t i = 0; i < frames; ++i)
            outputs[0][i] += inputs[0][i] * 4 * gain_;
    }

    void processReplacing(float** inputs, float** outputs, int32_t frames) override {
        LogCall("process %d", frames);
#ifdef TEST_FAULT_IN_PROCESS
        outputs[0][0] = 7; // what the host finds in the output after the fault
        WriteToNowhere();
#endif
#ifdef TEST_AUTOMATE_IN_PROCESS
        if (gain_ != 0.5f)
            setParameterAutomated(0, 0.5f);
#endif
        for (int32_t i = 0; i < frames; ++i) {
            float sample = inputs[0][i] * 4 * gain_;
            for (int in = 1; in < TEST_INPUTS; ++in) {
                sample += inputs[in][i];
                inputs[in][i] = kScribble;
            }
            for (int out = 0; out < TEST_OUTPUTS; ++out)
                outputs[out][i] = sample;
        }
    }

private:
    const char* name_;
    float gain_ = 0.25f;
};

void LogCall(const char* format, ...) {
    const char* log = std::getenv("VOXWARP_TEST_PLUGIN_LOG");
    if (log == nullptr)
        return;
    std::FILE* file = std::fopen(log, "a");
    if (file == nullptr)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

EffectBase* CreateEffect(audioMasterCallback host) {
#ifdef TEST_FAULT_IN_ENTRY
    WriteToNowhere();
#endif
#ifdef TEST_BOTH_ENTRIES
    return new TestEffect(host, "Entered through main");
#else
    return new TestEffect(host, "");
#endif
}

} // namespace

VOXWARP_EFFECT_ENTRY(CreateEffect)

#ifdef TEST_BOTH_ENTRIES
namespace {
EffectBase* CreateOtherEffect(audioMasterCallback host) {
    return new TestEffect(host, "Entered through VSTPluginMain");
}
} // namespace
VOXWARP_EFFECT_ENTRY_AS(VoxwarpOtherMain, "VSTPluginMain", CreateOtherEffect)
#endif
