// PhaseVocoder: the voice effect of Brevo and Spectro. A short-time Fourier phase vocoder on up
// to eight overlapping streams that shifts pitch by remapping frequency bins, with a spectral
// blur (each bin smoothed over successive frames) and a spectral gate (weak bins muted). Mono
// in, the same signal on both outputs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "effect_base.h"
#include "vocoder_variant.h"

struct VocoderProgram {
    float overlaps;
    float fftSize;
    float windowType;
    float blur;
    float pitch;
    float gate;
    char name[24];
};

class PhaseVocoder : public EffectBase {
public:
    static constexpr std::int32_t kPrograms = 16;
    static constexpr std::int32_t kParams = 6;
    static constexpr std::int32_t kMaxSize = 8192;
    static constexpr std::int32_t kMaxBins = kMaxSize / 2 + 1;
    static constexpr std::int32_t kMaxStreams = 8;

    enum Param : std::int32_t { kOverlaps, kFftSize, kWindowType, kGate, kBlur, kPitch };
    enum WindowType : std::int32_t { kHann, kHamming, kBlackman, kBartlett };

    PhaseVocoder(audioMasterCallback host, VocoderVariant variant);
    ~PhaseVocoder() override;

    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setProgram(std::int32_t program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterName(std::int32_t index, char* text) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterLabel(std::int32_t index, char* label) override;
    float getVu() override;
    void suspend() override;
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames) override;
    std::int32_t getVstVersion() override { return traits_.interfaceVersion; }

    // What is in effect, for the editor and the tests.
    std::int32_t Overlaps() const { return overlaps_; }
    std::int32_t FftSize() const { return size_; }
    std::int32_t Bins() const { return bins_; }
    std::int32_t Window() const { return windowType_; }
    // The pitch factor of the current pitch value.
    double PitchFactor() const;
    // Spectro: the semitones the last frame used (0 before the first frame).
    float Semitones() const { return semitones_; }
    const double* SynthesisMagnitudes() const { return synMagnitude_.get(); }
    const double* SynthesisFrequencies() const { return synFrequency_.get(); }
    const double* AnalysisFrequencies() const { return anaFrequency_.get(); }

protected:
    // Called after a parameter changed; the editor of a plug-in that has one redraws.
    virtual void parameterChanged(std::int32_t index) { (void)index; }

private:
    // Spectro's pitch value as semitones, held in single precision.
    static float SemitonesOf(float pitch);
    void BeginBlock();
    // Both process operations: the output is added to the outputs or stored in them.
    void Render(float** inputs, float** outputs, std::int32_t sampleFrames, bool accumulate);
    // Feeds one input sample through every stream; returns the sum of the streams' next samples.
    double ProcessSample(double input);
    void Frame(double* stream);
    void Analyse();
    void Modify();
    void Synthesise();
    void BuildWindow();
    bool Allocate();

    const VocoderVariant variant_;
    const VocoderTraits traits_;

    // Set from the host's or the editor's thread while the processing thread reads them.
    std::atomic<float> params_[kParams] = {};
    VocoderProgram programs_[kPrograms] = {};

    // Last seen parameter values that change the block layout; the first two start unset.
    bool windowSeenSet_ = false;
    float windowSeen_ = 0;
    bool sizeSeenSet_ = false;
    float sizeSeen_ = 0;
    float overlapsSeen_ = 0.5f;

    std::int32_t order_ = 10;
    std::int32_t size_ = 1024;
    std::int32_t bins_ = 513;
    std::int32_t overlaps_ = 4;
    std::int32_t windowType_ = kHann;
    std::int32_t appliedWindowType_ = kHann;
    float semitones_ = 0;
    float vu_ = 0;

    // Everything is allocated once, for the largest frame; processing never allocates.
    std::unique_ptr<double[]> window_;
    std::unique_ptr<double[]> streams_[kMaxStreams];
    std::int32_t positions_[kMaxStreams] = {};
    std::int32_t starts_[kMaxStreams] = {};
    std::unique_ptr<double[]> work_; // CCS spectrum, kMaxBins complex values
    std::unique_ptr<double[]> magnitude_;
    std::unique_ptr<double[]> phase_;
    std::unique_ptr<double[]> anaFrequency_;
    std::unique_ptr<double[]> synMagnitude_;
    std::unique_ptr<double[]> synFrequency_;
    std::unique_ptr<double[]> lastPhase_;
    std::unique_ptr<double[]> phaseSum_;
    std::unique_ptr<double[]> prevMagnitude_;
    std::unique_ptr<double[]> prevFrequency_;
    std::unique_ptr<double[]> sine_; // synthesis scratch
    std::unique_ptr<double[]> cosine_;
};
