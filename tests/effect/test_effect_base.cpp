#include "effect_base.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "effect_entry.h"

namespace {

struct HostCall {
    int32_t opcode;
    int32_t index;
    float opt;
};

intptr_t gVersionAnswer = 2400;
std::vector<HostCall> gHostCalls;

intptr_t RecordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                       float opt) {
    (void)effect, (void)value, (void)ptr;
    gHostCalls.push_back({opcode, index, opt});
    return opcode == audioMasterVersion ? gVersionAnswer : 0;
}

struct ProbeState {
    bool destroyed = false;
    bool closed = false;
    int programsSet = 0;
};

ProbeState gState;
bool gRaiseOutOfMemory = false;
int gCreated = 0;

class ProbeEffect : public EffectBase {
public:
    explicit ProbeEffect(audioMasterCallback host) : EffectBase(host, 16, 6) {
        ++gCreated;
        if (gRaiseOutOfMemory)
            setOutOfMemory();
    }
    ~ProbeEffect() override { gState.destroyed = true; }
    void process(float**, float**, int32_t) override {}
    void close() override { gState.closed = true; }
    float getVu() override { return 0.5f; }
    void setProgram(int32_t program) override {
        ++gState.programsSet;
        EffectBase::setProgram(program);
    }
};

EffectBase* CreateProbe(audioMasterCallback host) {
    return new ProbeEffect(host);
}

class EffectBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        gVersionAnswer = 2400;
        gHostCalls.clear();
        gState = {};
        gRaiseOutOfMemory = false;
        gCreated = 0;
    }
    void TearDown() override {
        if (effect_ != nullptr && !gState.destroyed)
            Dispatch(effClose);
    }

    AEffect* Enter() {
        effect_ = EffectEntry(RecordingHost, CreateProbe);
        return effect_;
    }
    intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                      float opt = 0) {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }
    ProbeEffect* Object() { return static_cast<ProbeEffect*>(effect_->object); }

    AEffect* effect_ = nullptr;
};

TEST_F(EffectBaseTest, EntryGivesNoEffectToAHostThatAnswersNoVersion) {
    gVersionAnswer = 0;
    EXPECT_EQ(Enter(), nullptr);
    EXPECT_EQ(gCreated, 0);
    ASSERT_EQ(gHostCalls.size(), 1u);
    EXPECT_EQ(gHostCalls[0].opcode, audioMasterVersion);
}

TEST_F(EffectBaseTest, EntryDestroysAnEffectThatRanOutOfMemory) {
    gRaiseOutOfMemory = true;
    EXPECT_EQ(Enter(), nullptr);
    EXPECT_EQ(gCreated, 1);
    EXPECT_TRUE(gState.destroyed);
}

TEST_F(EffectBaseTest, RecordStartsWithTheFrameworkValues) {
    AEffect* effect = Enter();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->magic, 0x56737450);
    EXPECT_EQ(effect->numPrograms, 16);
    EXPECT_EQ(effect->numParams, 6);
    EXPECT_EQ(effect->numInputs, 1);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_EQ(effect->object, static_cast<EffectBase*>(Object()));
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->uniqueID, 0x4E6F4566);
    EXPECT_EQ(effect->version, 1);
    EXPECT_NE(effect->processReplacing, nullptr);
    char zeros[sizeof effect->future] = {};
    EXPECT_EQ(std::memcmp(effect->future, zeros, sizeof zeros), 0);
    EXPECT_EQ(Object()->getSampleRate(), 44100.0f);
    EXPECT_EQ(Object()->getBlockSize(), 1024);
}

TEST_F(EffectBaseTest, FlagSettersSetAndClearTheirBits) {
    Enter();
    Object()->hasVu();
    Object()->canProcessReplacing();
    EXPECT_EQ(effect_->flags, 20);
    Object()->setEditor(std::make_unique<EffectEditor>(Object()));
    EXPECT_EQ(effect_->flags, 21);
    Object()->hasVu(false);
    Object()->canMono();
    Object()->hasClip();
    Object()->programsAreChunks();
    EXPECT_EQ(effect_->flags, 1 | 2 | 8 | 16 | 32);
}

TEST_F(EffectBaseTest, CloseAnswersOneAndDestroysTheEffect) {
    Enter();
    EXPECT_EQ(Dispatch(effClose), 1);
    EXPECT_TRUE(gState.closed);
    EXPECT_TRUE(gState.destroyed);
}

TEST_F(EffectBaseTest, ProgramsOutsideTheRangeAreIgnored) {
    Enter();
    Dispatch(effSetProgram, 0, 15);
    EXPECT_EQ(Dispatch(effGetProgram), 15);
    Dispatch(effSetProgram, 0, 16);
    Dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(Dispatch(effGetProgram), 15);
    EXPECT_EQ(gState.programsSet, 1);
}

TEST_F(EffectBaseTest, OpcodesGiveTheirDefaultAnswers) {
    Enter();
    EXPECT_EQ(Dispatch(effGetVu), 16383);
    EXPECT_EQ(Dispatch(effKeysRequired), 1);
    char text[] = "1in2out";
    EXPECT_EQ(Dispatch(effCanDo, 0, 0, text), 0);
    EXPECT_EQ(Dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(Dispatch(effGetVstVersion), 2);
    EXPECT_EQ(Dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(Dispatch(effCanBeAutomated, 3), 1);
    EXPECT_EQ(Dispatch(effConnectInput, 0, 1), 1);
    EXPECT_EQ(Dispatch(effConnectOutput, 1, 0), 1);
    EXPECT_EQ(Dispatch(effGetPlugCategory), 0);
    EXPECT_EQ(Dispatch(effEditOpen), 0); // no editor
    ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 0);
    for (int32_t opcode : {-1, 69, 70, 1000})
        EXPECT_EQ(Dispatch(opcode), 0) << opcode;

    char name[64] = "untouched";
    EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, name), 0);
    EXPECT_STREQ(name, "untouched");

    EXPECT_EQ(Dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(Object()->getBlockSize(), 512);
    EXPECT_EQ(Object()->getSampleRate(), 48000.0f);
    EXPECT_EQ(Dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f), 0);
    EXPECT_EQ(Object()->getSampleRate(), 22050.0f);
}

class RectEditor : public EffectEditor {
public:
    using EffectEditor::EffectEditor;
    intptr_t getRect(ERect** rect) override {
        *rect = &rect_;
        return 1;
    }
    ERect rect_{0, 0, 200, 300};
};

TEST_F(EffectBaseTest, EditorOpcodesReachTheAttachedEditor) {
    Enter();
    Object()->setEditor(std::make_unique<RectEditor>(Object()));
    ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom, 200);
    EXPECT_EQ(rect->right, 300);
}

TEST_F(EffectBaseTest, AutomatedParameterIsAppliedThenReportedToTheHost) {
    Enter();
    gHostCalls.clear();
    Object()->setParameterAutomated(3, 0.75f);
    ASSERT_EQ(gHostCalls.size(), 1u);
    EXPECT_EQ(gHostCalls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(gHostCalls[0].index, 3);
    EXPECT_EQ(gHostCalls[0].opt, 0.75f);
}

std::string Long2String(long value) {
    char text[16];
    std::memset(text, '#', sizeof text);
    EffectBase::long2string(value, text);
    return text;
}

std::string Float2String(float value) {
    char text[16];
    std::memset(text, '#', sizeof text);
    EffectBase::float2string(value, text);
    return text;
}

TEST(EffectTexts, Long2StringRightAlignsInSevenColumns) {
    EXPECT_EQ(Long2String(44100), "  44100");
    EXPECT_EQ(Long2String(0), "      0");
    EXPECT_EQ(Long2String(99999999), "99999999");
    EXPECT_EQ(Long2String(100000000), " Huge!  ");
    EXPECT_EQ(Long2String(-1234567), "-1234567");
    // Cutting would drop a digit of these.
    EXPECT_EQ(Long2String(-10000000), " Huge!  ");
}

TEST(EffectTexts, Float2StringFillsEightCharacters) {
    EXPECT_EQ(Float2String(0.5f), "0.500000");
    EXPECT_EQ(Float2String(25.0f), "25.00000");
    EXPECT_EQ(Float2String(0.0f), "0.000000");
    EXPECT_EQ(Float2String(-0.25f), "-0.25000");
    EXPECT_EQ(Float2String(0.125f), "0.125000");
    EXPECT_EQ(Float2String(1234567.0f), "1234567.");
    EXPECT_EQ(Float2String(-123456.0f), "-123456.");
    // Integer digits that do not fit.
    EXPECT_EQ(Float2String(12345678.0f), " Huge!  ");
    EXPECT_EQ(Float2String(-1234567.0f), " Huge!  ");
    EXPECT_EQ(Float2String(1e9f), " Huge!  ");
    EXPECT_EQ(Float2String(-1e8f), " Huge!  ");
}

TEST(EffectTexts, UnitDisplaysUseTheSampleRate) {
    ProbeEffect effect(RecordingHost);
    char text[16];
    effect.ms2string(441.0f, text);
    EXPECT_STREQ(text, "10.00000");
    effect.Hz2string(100.0f, text);
    EXPECT_STREQ(text, "441.0000");
    effect.dB2string(1.0f, text);
    EXPECT_STREQ(text, "0.000000");
    effect.dB2string(0.0f, text);
    EXPECT_STREQ(text, "  -inf  ");
}

} // namespace
