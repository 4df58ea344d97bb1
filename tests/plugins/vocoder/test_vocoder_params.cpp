#include "phase_vocoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Display(PhaseVocoder& effect, std::int32_t index) {
    char text[64] = {};
    effect.getParameterDisplay(index, text);
    return text;
}

TEST(VocoderParameters, NamesLabelsAndDefaultProgramOfBothPlugins) {
    PhaseVocoder brevo(nullptr, VocoderVariant::Brevo);
    PhaseVocoder spectro(nullptr, VocoderVariant::Spectro);
    const char* names[] = {" Overlaps ",  " FFT Size ",   " Win Type ",
                           " SpectGate ", " Spect Blur ", " PitchScale "};
    for (int i = 0; i < 6; ++i) {
        char text[64] = {};
        brevo.getParameterName(i, text);
        EXPECT_STREQ(text, names[i]);
    }
    char label[64] = "unchanged";
    brevo.getParameterLabel(4, label);
    EXPECT_STREQ(label, "\t%\t");
    std::strcpy(label, "unchanged");
    brevo.getParameterLabel(3, label);
    EXPECT_STREQ(label, "unchanged");

    EXPECT_FLOAT_EQ(brevo.getParameter(PhaseVocoder::kPitch), 0.25f);
    EXPECT_DOUBLE_EQ(brevo.PitchFactor(), 1.1875);
    EXPECT_FLOAT_EQ(spectro.getParameter(PhaseVocoder::kPitch), 0.5f);
    EXPECT_DOUBLE_EQ(spectro.PitchFactor(), 1.0);
    EXPECT_EQ(brevo.getAeffect()->uniqueID, 0x6D626631);
    EXPECT_EQ(spectro.getAeffect()->uniqueID, 0x41446C45);
    EXPECT_EQ(brevo.getVstVersion(), 2);
    EXPECT_EQ(spectro.getVstVersion(), 2200);
    EXPECT_EQ(brevo.getAeffect()->numInputs, 1);
    EXPECT_EQ(brevo.getAeffect()->numOutputs, 2);
    EXPECT_EQ(brevo.Overlaps(), 4);
    EXPECT_EQ(brevo.FftSize(), 1024);
    EXPECT_EQ(Display(brevo, 0), "      4");
    EXPECT_EQ(Display(brevo, 1), "   1024");
    EXPECT_EQ(Display(brevo, 2), " Hann ");
    EXPECT_EQ(Display(spectro, 5), "0.0");
}

TEST(VocoderParameters, ProgramNamesAndOutOfRangeIndexes) {
    PhaseVocoder effect(nullptr, VocoderVariant::Brevo);
    effect.setProgram(2);
    char name[64] = "Init";
    effect.setProgramName(name);
    char text[64] = {};
    effect.getProgramName(text);
    EXPECT_STREQ(text, "Init 3");
    char longName[] = "A name far longer than twenty-three characters";
    effect.setProgramName(longName);
    effect.getProgramName(text);
    EXPECT_EQ(std::string(text), std::string(longName).substr(0, 23));
    effect.setProgram(0);
    effect.getProgramName(text);
    EXPECT_STREQ(text, "Default");

    effect.setParameter(6, 0.9f);
    effect.setParameter(-1, 0.9f);
    EXPECT_EQ(effect.getParameter(6), 0.0f);
    effect.setProgram(16); // no such program: nothing changes
    EXPECT_EQ(effect.getProgram(), 0);

    // A program keeps the values set while it was current.
    effect.setParameter(PhaseVocoder::kBlur, 0.3f);
    effect.setProgram(1);
    EXPECT_EQ(effect.getParameter(PhaseVocoder::kBlur), 0.0f);
    effect.setProgram(0);
    EXPECT_FLOAT_EQ(effect.getParameter(PhaseVocoder::kBlur), 0.3f);
    EXPECT_EQ(effect.getVu(), 0.0f);
}

} // namespace
