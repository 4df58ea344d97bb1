#include "phase_vocoder.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char* const kParamNames[PhaseVocoder::kParams] = {
    " Overlaps ", " FFT Size ", " Win Type ", " SpectGate ", " Spect Blur ", " PitchScale "};
const char* const kWindowNames[] = {" Hann ", " Hamming ", " Blackman ", " Bartlett "};

std::unique_ptr<double[]> Zeroed(std::size_t count) {
    std::unique_ptr<double[]> buffer(new (std::nothrow) double[count]);
    if (buffer) {
        std::memset(buffer.get(), 0, count * sizeof(double));
    }
    return buffer;
}

} // namespace

PhaseVocoder::PhaseVocoder(audioMasterCallback host, VocoderVariant variant)
    : EffectBase(host, kPrograms, kParams), variant_(variant), traits_(TraitsOf(variant)) {
    for (VocoderProgram& program : programs_) {
        program = VocoderProgram{0.5f, 0.5f, 0.0f, 0.0f, traits_.defaultPitch, 0.0f, "Default"};
    }
    if (!Allocate()) {
        setOutOfMemory();
        return;
    }
    BuildWindow();
    setProgram(0);
    setNumInputs(1);
    setNumOutputs(2);
    hasVu();
    canProcessReplacing();
    setUniqueID(traits_.uniqueId);
    suspend();
}

PhaseVocoder::~PhaseVocoder() = default;

bool PhaseVocoder::Allocate() {
    window_ = Zeroed(kMaxSize);
    bool ok = window_ != nullptr;
    for (auto& stream : streams_) {
        stream = Zeroed(kMaxSize);
        ok = ok && stream != nullptr;
    }
    work_ = Zeroed(2 * kMaxBins);
    std::unique_ptr<double[]>* perBin[] = {
        &magnitude_, &phase_,         &anaFrequency_,  &synMagnitude_, &synFrequency_, &lastPhase_,
        &phaseSum_,  &prevMagnitude_, &prevFrequency_, &sine_,         &cosine_};
    ok = ok && work_ != nullptr;
    for (auto* buffer : perBin) {
        *buffer = Zeroed(kMaxBins);
        ok = ok && *buffer != nullptr;
    }
    return ok;
}

void PhaseVocoder::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kParams) {
        return;
    }
    VocoderProgram& program = programs_[curProgram_];
    float* fields[kParams] = {&program.overlaps, &program.fftSize, &program.windowType,
                              &program.gate,     &program.blur,    &program.pitch};
    *fields[index] = value;
    params_[index] = value;
    if (getEditor() != nullptr) {
        parameterChanged(index);
    }
}

float PhaseVocoder::getParameter(std::int32_t index) {
    return index >= 0 && index < kParams ? params_[index].load() : 0.0f;
}

void PhaseVocoder::setProgram(std::int32_t program) {
    if (program < 0 || program >= kPrograms) {
        return;
    }
    curProgram_ = program;
    const VocoderProgram values = programs_[program];
    setParameter(kOverlaps, values.overlaps);
    setParameter(kFftSize, values.fftSize);
    setParameter(kWindowType, values.windowType);
    setParameter(kGate, values.gate);
    setParameter(kBlur, values.blur);
    setParameter(kPitch, values.pitch);
}

void PhaseVocoder::setProgramName(char* name) {
    char* target = programs_[curProgram_].name;
    std::strncpy(target, name, sizeof programs_[0].name - 1);
    target[sizeof programs_[0].name - 1] = 0;
}

void PhaseVocoder::getProgramName(char* name) {
    const char* stored = programs_[curProgram_].name;
    if (std::strcmp(stored, "Init") == 0) {
        std::sprintf(name, "%s %d", stored, static_cast<int>(curProgram_ + 1));
    } else {
        std::strcpy(name, stored);
    }
}

void PhaseVocoder::getParameterName(std::int32_t index, char* text) {
    if (index >= 0 && index < kParams) {
        std::strcpy(text, kParamNames[index]);
    }
}

float PhaseVocoder::SemitonesOf(float pitch) {
    return 48.0f * (pitch - 0.5f);
}

double PhaseVocoder::PitchFactor() const {
    const float p = params_[kPitch];
    if (variant_ == VocoderVariant::Brevo) {
        return 3.75 * p + 0.25;
    }
    return std::pow(10.0, 0.0250858330592497 * SemitonesOf(p));
}

void PhaseVocoder::getParameterDisplay(std::int32_t index, char* text) {
    switch (index) {
    case kOverlaps:
        long2string(overlaps_, text);
        break;
    case kFftSize:
        long2string(size_, text);
        break;
    case kWindowType:
        std::strcpy(text, kWindowNames[windowType_]);
        break;
    case kGate:
        float2string(params_[kGate], text);
        break;
    case kBlur:
        float2string(100.0f * params_[kBlur], text);
        break;
    case kPitch:
        if (variant_ == VocoderVariant::Brevo) {
            float2string(static_cast<float>(PitchFactor()), text);
        } else {
            std::snprintf(text, kDisplayChars + 1, "%.1f", static_cast<double>(semitones_));
        }
        break;
    default:
        break;
    }
}

void PhaseVocoder::getParameterLabel(std::int32_t index, char* label) {
    if (index == kBlur) {
        std::strcpy(label, "\t%\t");
    }
}

float PhaseVocoder::getVu() {
    const float value = vu_;
    vu_ = 0;
    return value;
}

void PhaseVocoder::suspend() {
    std::memset(work_.get(), 0, 2 * kMaxBins * sizeof(double));
    for (double* buffer : {phase_.get(), anaFrequency_.get(), lastPhase_.get(), phaseSum_.get(),
                           prevMagnitude_.get(), prevFrequency_.get()}) {
        std::memset(buffer, 0, kMaxBins * sizeof(double));
    }
    if (traits_.suspendClearsStreams) {
        for (auto& stream : streams_) {
            std::memset(stream.get(), 0, kMaxSize * sizeof(double));
        }
    }
}
