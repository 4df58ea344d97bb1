#include "effect/effect.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "effect/effect_names.h"
#include "effect_test_env.h"

using testeffect::EffectTestEnv;
using testeffect::FileLines;
using testeffect::TestPluginPath;

namespace {

using Calls = std::vector<std::string>;

const std::string kVersionCall = "version 2400 idle 0 cando 0";

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    std::memcpy(bytes.data(), samples.data(), bytes.size());
    return bytes;
}

std::vector<std::int16_t> Samples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

bool ModuleMapped(const std::string& path) {
    for (const std::string& line : FileLines("/proc/self/maps"))
        if (line.find(path) != std::string::npos)
            return true;
    return false;
}

class EffectHost : public ::testing::Test {
protected:
    // Runs samples through the effect and gives back what it made of them.
    std::vector<std::int16_t> Process(const std::vector<std::int16_t>& samples) {
        std::vector<std::uint8_t> bytes = Bytes(samples);
        effect_.ProcessMono(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        return Samples(bytes);
    }
    std::string CopyPlugin(const std::string& name, const std::string& as) {
        std::string path = env_.Dir().File(as);
        std::filesystem::copy_file(TestPluginPath(name), path);
        return path;
    }

    EffectTestEnv env_;
    PnAudioEffect effect_;
};

TEST_F(EffectHost, LoadsThroughMainAndUnloadsWithClose) {
    std::string path = TestPluginPath("gain");
    ASSERT_EQ(effect_.Load(path, true), kVstSuccess);
    EXPECT_TRUE(effect_.IsLoaded());
    EXPECT_TRUE(effect_.IsOn());
    EXPECT_EQ(effect_.Name(), "Gain"); // the plug-in gives no name of its own
    EXPECT_EQ(effect_.BaseName(), "Gain");
    EXPECT_EQ(effect_.FileName(), "gain.so");
    EXPECT_EQ(effect_.Path(), path);
    EXPECT_EQ(effect_.NumInputs(), 1);
    EXPECT_EQ(effect_.NumOutputs(), 2);
    EXPECT_EQ(env_.PluginCalls(), (Calls{kVersionCall, "open", "rate 44100"}));
    EXPECT_TRUE(env_.HasLogLine("       --> PnAudioEffect::_SecureLoad(\"" + path + "\", isOn=1)"));
    EXPECT_TRUE(env_.HasLogLine("       <-- PnAudioEffect::_SecureLoad() = Success"));

    effect_.UnLoad();
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_EQ(effect_.Name(), "");
    EXPECT_EQ(effect_.Path(), "");
    EXPECT_EQ(env_.PluginCalls(),
              (Calls{kVersionCall, "open", "rate 44100", "close", "destroyed"}));
    EXPECT_FALSE(ModuleMapped(path));
    effect_.UnLoad(); // twice is harmless
}

TEST_F(EffectHost, ModuleWithBothEntriesIsEnteredThroughMain) {
    ASSERT_EQ(effect_.Load(TestPluginPath("two_entries"), true), kVstSuccess);
    EXPECT_EQ(effect_.Name(), "Entered through main");
}

TEST_F(EffectHost, LoadFailuresGiveTheirResultAndLeaveNothingLoaded) {
    std::string missing = env_.Dir().File("missing.so");
    EXPECT_EQ(effect_.Load(missing, true), kVstNotFound);
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_TRUE(env_.HasLogLine("    Error: Error of load vst plug-in. Error code: 2"));
    EXPECT_TRUE(env_.HasLogLine(
        "       <-- PnAudioEffect::_SecureLoad() = VST plug-in could not be found"));

    std::string text = env_.Dir().File("text.so");
    testsupport::WriteFile(text, "not a shared object\n");
    EXPECT_EQ(effect_.Load(text, true), kVstLoadError);
    EXPECT_FALSE(effect_.IsLoaded());

    std::string noEntry = TestPluginPath("no_entry");
    EXPECT_EQ(effect_.Load(noEntry, true), kVstFormatError);
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_FALSE(ModuleMapped(noEntry));
}

TEST_F(EffectHost, PluginWithoutInputsIsClosedBeforeItIsFreed) {
    EXPECT_EQ(effect_.Load(TestPluginPath("no_inputs"), true), kVstNoAudioChannels);
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_EQ(env_.PluginCalls(), (Calls{kVersionCall, "open", "close", "destroyed"}));
}

TEST_F(EffectHost, LoadingAgainReplacesThePlugin) {
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    ASSERT_EQ(effect_.Load(TestPluginPath("two_entries"), false), kVstSuccess);
    EXPECT_EQ(effect_.Name(), "Entered through main");
    EXPECT_FALSE(effect_.IsOn());
    EXPECT_EQ(env_.PluginCalls(), (Calls{kVersionCall, "open", "rate 44100", "close", "destroyed",
                                         kVersionCall, "open", "rate 44100"}));
}

TEST(EffectNames, BaseNameIsTheFileNameWithoutItsLastExtension) {
    EffectFileNames names = SplitEffectPath("c:\\fx\\robot.dll");
    EXPECT_EQ(names.fileName, "robot.dll");
    EXPECT_EQ(names.baseName, "Robot");
    names = SplitEffectPath("/usr/lib/vst/echo.chamber.so");
    EXPECT_EQ(names.fileName, "echo.chamber.so");
    EXPECT_EQ(names.baseName, "Echo.chamber");
    names = SplitEffectPath("robot");
    EXPECT_EQ(names.fileName, "robot");
    EXPECT_EQ(names.baseName, "Robot");
    names = SplitEffectPath("/fx/.dll");
    EXPECT_EQ(names.baseName, ".dll");
    EXPECT_EQ(SplitEffectPath("/fx/.hidden.so").baseName, ".hidden");
    EXPECT_EQ(SplitEffectPath("/fx/\xC3\xA9"
                              "cho.so")
                  .baseName,
              "\xC3\x89"
              "cho");
    EXPECT_EQ(SplitEffectPath("/fx/3d.so").baseName, "3d");
}

TEST(EffectNames, PluginTextsBecomeUtf8) {
    EXPECT_EQ(PluginTextToUtf8("caf\xC3\xA9", 16), "caf\xC3\xA9");
    EXPECT_EQ(PluginTextToUtf8("caf\xE9", 16), "caf\xC3\xA9"); // Latin-1
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(PluginTextToUtf8(unterminated, sizeof unterminated), "abcd");
    EXPECT_EQ(TrimBlanks(" \t Gain  "), "Gain");
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST_F(EffectHost, EmptyEffectNameGivesTheBaseNameOfTheCopy) {
    ASSERT_EQ(effect_.Load(CopyPlugin("gain", "robot.so"), true), kVstSuccess);
    EXPECT_EQ(effect_.Name(), "Robot");
    ASSERT_EQ(effect_.Load(CopyPlugin("gain", ".so"), true), kVstSuccess);
    EXPECT_EQ(effect_.Name(), ".so");
    EXPECT_EQ(effect_.FileName(), ".so");
}

TEST_F(EffectHost, ProcessesWholeSamplesAndLeavesAnOddByte) {
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    effect_.SetParameter(0, 0.5f); // gain 2
    env_.ClearPluginCalls();
    std::vector<std::uint8_t> bytes = Bytes({100, -200, 300, 0});
    bytes[6] = 0x5A;
    effect_.ProcessMono(bytes.data(), 7);
    EXPECT_EQ(Samples(bytes), (std::vector<std::int16_t>{200, -400, 600, 0x5A}));
    EXPECT_EQ(bytes[6], 0x5A);

    effect_.ProcessMono(bytes.data(), 1);
    effect_.ProcessMono(nullptr, 0);
    EXPECT_EQ(bytes[0], 200);
    EXPECT_EQ(env_.PluginCalls(), (Calls{"process 3", "process 0", "process 0"}));
}

TEST_F(EffectHost, OutputIsClippedAndTruncated) {
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    effect_.SetParameter(0, 1.0f); // gain 4
    EXPECT_EQ(Process({10000, -10000, 8191, -8192}),
              (std::vector<std::int16_t>{32767, -32768, 32764, -32768}));
    effect_.SetParameter(0, 0.025f); // gain 0.1
    EXPECT_EQ(Process({129, -129, 5, -5}), (std::vector<std::int16_t>{12, -12, 0, 0}));
}

TEST_F(EffectHost, EffectThatIsOffLeavesTheSamples) {
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), false), kVstSuccess);
    effect_.SetParameter(0, 1.0f);
    env_.ClearPluginCalls();
    EXPECT_EQ(Process({1, 2, 3}), (std::vector<std::int16_t>{1, 2, 3}));
    EXPECT_TRUE(env_.PluginCalls().empty());
}

TEST_F(EffectHost, FurtherInputsStaySilent) {
    // The plug-in adds its second input to the first and then writes into it.
    ASSERT_EQ(effect_.Load(TestPluginPath("two_inputs"), true), kVstSuccess);
    EXPECT_EQ(Process({1, 2, 3, 4}), (std::vector<std::int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(Process({5, 6}), (std::vector<std::int16_t>{5, 6}));
    EXPECT_EQ(Process(std::vector<std::int16_t>(3000, 7)), std::vector<std::int16_t>(3000, 7));
    EXPECT_TRUE(effect_.IsLoaded());
}

std::string AccessViolationText(std::uintptr_t address) {
    FaultRecord fault{faultcode::kAccessViolation, 2, {1, address}};
    char text[321];
    ExceptionText(fault, text, sizeof text);
    return text;
}

TEST_F(EffectHost, PluginThatFaultsWhileProcessingIsDropped) {
    std::string path = TestPluginPath("process_fault");
    ASSERT_EQ(effect_.Load(path, true), kVstSuccess);
    // The plug-in wrote 7 into the first output sample before it faulted.
    EXPECT_EQ(Process({1000, 2000}), (std::vector<std::int16_t>{7, 0}));
    EXPECT_FALSE(effect_.IsLoaded());
    EXPECT_TRUE(env_.HasLogLine("Exception: PnAudioEffect::ProcessMono(): " +
                                AccessViolationText(0) + ". Module: " + path));

    env_.ClearPluginCalls();
    EXPECT_EQ(Process({1000, 2000}), (std::vector<std::int16_t>{1000, 2000}));
    EXPECT_EQ(effect_.GetNumParams(), 0);
    effect_.UnLoad();
    EXPECT_TRUE(env_.PluginCalls().empty()); // no effClose for a faulted plug-in

    // The host goes on.
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    EXPECT_EQ(Process({1000}), (std::vector<std::int16_t>{1000}));
}

class RecordingOwner : public EffectOwnerWindow {
public:
    void ShowStopMessage(const std::string& caption, const std::string& text) override {
        messages.push_back(caption + "|" + text);
    }
    std::vector<std::string> messages;
};

TEST_F(EffectHost, PluginThatFaultsWhileLoadingIsReported) {
    std::string path = TestPluginPath("entry_fault");
    RecordingOwner owner;
    EXPECT_EQ(effect_.Load(path, true, &owner), kVstUndefinedError);
    EXPECT_FALSE(effect_.IsLoaded());
    std::string text = AccessViolationText(0) + "\n\nEffect: \"" + path + "\"";
    EXPECT_EQ(owner.messages, std::vector<std::string>{"Voxwarp|" + text});
    EXPECT_NE(env_.LogText().find("Exception: " + text + "\n"), std::string::npos);
    EXPECT_TRUE(env_.HasLogLine("       <-- PnAudioEffect::_SecureLoad() = Undefined error"));

    EXPECT_EQ(effect_.Load(path, true), kVstUndefinedError); // no owner: logged only
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
}

TEST_F(EffectHost, ParametersByIndex) {
    EXPECT_EQ(effect_.GetNumParams(), 0);
    EXPECT_EQ(effect_.GetParameter(0), 0.0f);
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    ASSERT_EQ(effect_.GetNumParams(), 3);
    EXPECT_EQ(effect_.GetParamName(0), "Gain");
    EXPECT_EQ(effect_.GetParamName(2), "Undefined parameter 2");
    EXPECT_EQ(effect_.GetParamName(7), "Undefined parameter 7");

    effect_.SetParams({{0.5f, "ignored"}, {0.0f, ""}, {0.3f, ""}, {0.9f, "beyond the plug-in"}});
    std::vector<EffectParam> params = effect_.GetParams();
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0].name, "Gain");
    EXPECT_EQ(params[0].value, 0.0f); // "Link" (entry 1) set it to 0 again
    EXPECT_EQ(params[1].name, "Link");
    EXPECT_EQ(params[2].name, "Undefined parameter 2");
    EXPECT_EQ(effect_.GetParameter(3), 0.0f);
}

struct ChangeRecord {
    int index = -1;
    float value = 0;
    std::string name = "unset";
    std::thread::id thread;
};

void RecordChange(void* context, int index, const EffectParam& param) {
    auto* change = static_cast<ChangeRecord*>(context);
    change->index = index;
    change->value = param.value;
    change->name = param.name;
    change->thread = std::this_thread::get_id();
}

TEST_F(EffectHost, AutomatedChangeMarksTheEffectAndCallsTheListener) {
    ASSERT_EQ(effect_.Load(TestPluginPath("gain"), true), kVstSuccess);
    ChangeRecord change;
    effect_.SetListener(&change, nullptr, RecordChange, nullptr);
    EXPECT_FALSE(effect_.IsModified());
    effect_.SetParameter(1, 0.75f); // "Link" automates parameter 0
    EXPECT_TRUE(effect_.IsModified());
    EXPECT_EQ(change.index, 0);
    EXPECT_EQ(change.value, 0.75f);
    EXPECT_EQ(change.name, "");
    EXPECT_EQ(effect_.GetParameter(0), 0.75f);
}

TEST_F(EffectHost, AutomationOnTheEngineThreadReachesTheListenerOnItsOwnThread) {
    ASSERT_EQ(effect_.Load(TestPluginPath("automate_in_process"), true), kVstSuccess);
    ChangeRecord change;
    effect_.SetListener(&change, nullptr, RecordChange, nullptr);
    std::vector<std::int16_t> block(441, 1000);
    std::thread engine([&] { effect_.ProcessMono(block.data(), 2 * block.size()); });
    engine.join();
    // The plug-in's own change is heard at once (gain 4 x 0.5), and only recorded for the
    // listener, whose thread has not asked yet.
    EXPECT_EQ(block[0], 2000);
    EXPECT_TRUE(effect_.IsModified());
    EXPECT_EQ(change.index, -1);
    effect_.DeliverAutomation();
    EXPECT_EQ(change.index, 0);
    EXPECT_EQ(change.value, 0.5f);
    EXPECT_EQ(change.thread, std::this_thread::get_id());
    // Delivered once.
    change.index = -1;
    effect_.DeliverAutomation();
    EXPECT_EQ(change.index, -1);
}

TEST(EffectHostCallback, AnswersVersionAndNothingElse) {
    EXPECT_EQ(PnAudioEffect::HostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 2400);
    char text[] = "sizeWindow";
    EXPECT_EQ(PnAudioEffect::HostCallback(nullptr, audioMasterCanDo, 0, 0, text, 0), 0);
    const int32_t others[] = {audioMasterIdle,          audioMasterCurrentId, audioMasterGetTime,
                              audioMasterGetSampleRate, audioMasterBeginEdit, 999};
    for (int32_t opcode : others)
        EXPECT_EQ(PnAudioEffect::HostCallback(nullptr, opcode, 0, 0, nullptr, 0), 0) << opcode;
    // Automation from a plug-in that no host owns is ignored.
    AEffect stranger{};
    EXPECT_EQ(PnAudioEffect::HostCallback(&stranger, audioMasterAutomate, 0, 0, nullptr, 1), 0);
}

TEST(EffectErrors, EachResultHasItsMessage) {
    EffectTestEnv env;
    EXPECT_EQ(PnVstErrorText(kVstSuccess), "Success");
    EXPECT_EQ(PnVstErrorText(kVstLoadError), "Error loading VST plug-in");
    EXPECT_EQ(PnVstErrorText(kVstNotFound), "VST plug-in could not be found");
    EXPECT_EQ(PnVstErrorText(kVstFormatError), "Incorrect format of VST plug-in");
    EXPECT_EQ(PnVstErrorText(kVstNoAudioChannels),
              "VST plug-in doesn't contain VST effect \n(number of audio input or audio output "
              "channels equal nil).");
    EXPECT_EQ(PnVstErrorText(kVstUndefinedError), "Undefined error");
    EXPECT_EQ(PnVstErrorText(77), "Undefined error");
}

} // namespace
