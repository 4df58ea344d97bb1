// Brevo and Spectro as a host sees them: loaded from the program folder's effects/ through the
// effect host, or through their entry point by hand as any other host on this platform would.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "effect/aeffect.h"
#include "effect/effect.h"
#include "effect_test_env.h"
#include "program_dir.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string PluginFile(const std::string& name) {
    return testsupport::ProgramDir() + "effects/" + name + ".so";
}

intptr_t MinimalHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The frequency of a 16-bit signal from its rising zero crossings between from and the end.
double Frequency(const std::vector<std::int16_t>& samples, std::size_t from) {
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (std::size_t n = from + 1; n < samples.size(); ++n) {
        if (samples[n - 1] < 0 && samples[n] >= 0) {
            const double t = (n - 1) + samples[n - 1] / double(samples[n - 1] - samples[n]);
            first = first < 0 ? t : first;
            last = t;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * 44100.0 / (last - first);
}

// A 220 Hz sine through the plug-in at eight overlaps with the pitch value given.
double ShiftedFrequency(const std::string& plugin, float pitch) {
    PnAudioEffect effect;
    EXPECT_EQ(effect.Load(PluginFile(plugin), true), kVstSuccess);
    effect.SetParameter(0, 1.0f);
    effect.SetParameter(5, pitch);
    std::vector<std::int16_t> samples(44100);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        samples[n] = static_cast<std::int16_t>(10000.0 * std::sin(2.0 * kPi * 220.0 * n / 44100.0));
    }
    for (std::size_t start = 0; start + 1102 <= samples.size(); start += 1102) {
        effect.ProcessMono(samples.data() + start, 1102 * 2);
    }
    samples.resize(samples.size() / 1102 * 1102);
    return Frequency(samples, 8192);
}

TEST(VocoderPlugins, LoadThroughTheHostWithTheirParameters) {
    testeffect::EffectTestEnv env;
    for (const char* name : {"Brevo", "Spectro"}) {
        PnAudioEffect effect;
        ASSERT_EQ(effect.Load(PluginFile(name), true), kVstSuccess) << name;
        EXPECT_EQ(effect.Name(), name);
        EXPECT_EQ(effect.NumInputs(), 1);
        EXPECT_EQ(effect.NumOutputs(), 2);
        ASSERT_EQ(effect.GetNumParams(), 6);
        EXPECT_EQ(effect.GetParamName(4), "Spect Blur");
        EXPECT_FLOAT_EQ(effect.GetParameter(5), std::string(name) == "Brevo" ? 0.25f : 0.5f);
    }
}

TEST(VocoderPlugins, PitchMovesBySemitonesAndFactors) {
    testeffect::EffectTestEnv env;
    EXPECT_NEAR(ShiftedFrequency("Brevo", 1.75f / 3.75f), 440.0, 4.4);
    EXPECT_NEAR(ShiftedFrequency("Spectro", 0.25f), 110.0, 1.1);            // -12 semitones
    EXPECT_NEAR(ShiftedFrequency("Spectro", 0.5f + 7.0f / 48), 329.6, 3.3); // +7 semitones
}

TEST(VocoderPlugins, EntryPointsAndOpcodesAsAnyHostSeesThem) {
    for (const char* name : {"Brevo", "Spectro"}) {
        const bool spectro = std::string(name) == "Spectro";
        void* module = dlopen(PluginFile(name).c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        auto entry = reinterpret_cast<AEffectEntryProc>(dlsym(module, "VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        EXPECT_NE(dlsym(module, "main"), nullptr);
        AEffect* effect = entry(MinimalHost);
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->magic, kEffectMagic);
        EXPECT_EQ(effect->uniqueID, spectro ? 0x41446C45 : 0x6D626631);
        EXPECT_EQ(effect->numPrograms, 16);
        EXPECT_EQ(effect->numParams, 6);
        EXPECT_EQ(effect->flags & (effFlagsHasVu | effFlagsCanReplacing),
                  effFlagsHasVu | effFlagsCanReplacing);
        EXPECT_EQ(effect->flags & effFlagsHasEditor, spectro ? effFlagsHasEditor : 0);
        auto dispatch = [&](int32_t opcode, int32_t index, intptr_t value, void* ptr) {
            return effect->dispatcher(effect, opcode, index, value, ptr, 0.0f);
        };
        dispatch(effOpen, 0, 0, nullptr);
        EXPECT_EQ(dispatch(effGetVstVersion, 0, 0, nullptr), spectro ? 2200 : 2);
        EXPECT_EQ(dispatch(effGetVu, 0, 0, nullptr), 0);
        char text[256] = {};
        dispatch(effGetParamName, 5, 0, text);
        EXPECT_STREQ(text, " PitchScale ");
        dispatch(effSetProgram, 0, 2, nullptr);
        dispatch(effGetProgramName, 0, 0, text);
        EXPECT_STREQ(text, "Default");
        dispatch(effGetParamDisplay, 1, 0, text);
        EXPECT_STREQ(text, "   1024");
        // Processing through the record: silence in, silence out on both outputs.
        std::vector<float> in(512, 0.0f), left(512, 1.0f), right(512, 1.0f);
        float* inputs[] = {in.data()};
        float* outputs[] = {left.data(), right.data()};
        effect->processReplacing(effect, inputs, outputs, 512);
        EXPECT_EQ(left, std::vector<float>(512, 0.0f));
        EXPECT_EQ(right, std::vector<float>(512, 0.0f));
        EXPECT_EQ(dispatch(effClose, 0, 0, nullptr), 1);
        dlclose(module);
    }
}

TEST(VocoderPlugins, ExportOnlyTheirEntryPoints) {
    for (const char* name : {"Brevo", "Spectro"}) {
        const std::string command = "nm -D --defined-only '" + PluginFile(name) + "'";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::string> symbols;
        char line[512];
        while (std::fgets(line, sizeof line, pipe) != nullptr) {
            std::string text(line);
            symbols.push_back(
                text.substr(text.rfind(' ') + 1, text.find_last_not_of('\n') - text.rfind(' ')));
        }
        ASSERT_EQ(pclose(pipe), 0);
        EXPECT_EQ(symbols, (std::vector<std::string>{"VSTPluginMain", "main"})) << name;
    }
}

} // namespace
