// A gain effect for the effect host tests, built in several variants (see CMakeLists.txt):
//   TEST_INPUTS / TEST_OUTPUTS   audio channel counts (1 and 2 when not given);
//   TEST_FAULT_IN_PROCESS        processReplacing writes to address 0;
//   TEST_FAULT_IN_ENTRY          the entry point writes to address 0;
//   TEST_BOTH_ENTRIES            exports "VSTPluginMain" besides "main", with different names;
//   TEST_AUTOMATE_IN_PROCESS     processReplacing sets parameter 0 to 0.5 through automation.
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

#ifndef TEST_INPUTS
#define TEST_INPUTS 1
#endif
#ifndef TEST_OUTPUTS
#define TEST_OUTPUTS 2
#endif

namespace {

// Written by the second input's scribbling variant into the buffers it was given.
constexpr float kScribble = 5000.0f;

volatile std::uintptr_t gNowhere = 0;

class TestEffect;
// The newest instance. A host abandons an instance that faulted (its module stays loaded); held
// here, it stays reachable, so that leak checkers report only real leaks.
TestEffect* gNewest = nullptr;

// An access violation at address 0 that neither the compiler nor a sanitizer turns into
// anything else.
[[maybe_unused]] __attribute__((noinline, no_sanitize_address, no_sanitize_undefined)) void
WriteToNowhere() {
    *reinterpret_cast<volatile int*>(gNowhere) = 1;
}

class TestEffect : public EffectBase {
public:
    TestEffect(audioMasterCallback host, const char* name)
        : EffectBase(host, 4, 3), name_(name), log_(std::getenv("VOXWARP_TEST_PLUGIN_LOG")) {
        setNumInputs(TEST_INPUTS);
        setNumOutputs(TEST_OUTPUTS);
        gNewest = this;
        setUniqueID(0x74657374); // 'test'
        canProcessReplacing();
        hasVu();
        Log("version %ld idle %ld cando %ld", static_cast<long>(callHost(audioMasterVersion)),
            static_cast<long>(callHost(audioMasterIdle)),
            static_cast<long>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow"))));
    }
    ~TestEffect() override {
        if (gNewest == this)
            gNewest = nullptr;
        Log("destroyed");
    }

    void open() override { Log("open"); }
    void close() override { Log("close"); }
    void setSampleRate(float rate) override {
        EffectBase::setSampleRate(rate);
        Log("rate %.0f", rate);
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
    }
    float getParameter(int32_t index) override { return index == 0 ? gain_ : 0.0f; }
    void getParameterName(int32_t index, char* text) override {
        std::strcpy(text, index == 0 ? "  Gain  " : index == 1 ? "Link" : "");
    }
    float getVu() override { return 0.5f; }

    void process(float** inputs, float** outputs, int32_t frames) override {
        for (int32_t i = 0; i < frames; ++i)
            outputs[0][i] += inputs[0][i] * 4 * gain_;
    }

    void processReplacing(float** inputs, float** outputs, int32_t frames) override {
        Log("process %d", frames);
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
    __attribute__((format(printf, 2, 3))) void Log(const char* format, ...) {
        if (log_ == nullptr)
            return;
        std::FILE* file = std::fopen(log_, "a");
        if (file == nullptr)
            return;
        va_list args;
        va_start(args, format);
        std::vfprintf(file, format, args);
        va_end(args);
        std::fputc('\n', file);
        std::fclose(file);
    }

    const char* name_;
    const char* log_;
    float gain_ = 0.25f;
};

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
