// SpectroEffect: the phase vocoder with Spectro's editor window attached. Every parameter the
// effect takes is passed on to the editor, which shows it on its next idle.
#pragma once

#include "phase_vocoder.h"

class SpectroEffect : public PhaseVocoder {
public:
    // Raises the out-of-memory flag when the editor cannot be made.
    explicit SpectroEffect(audioMasterCallback host);

protected:
    // Any thread, the processing one too; real-time safe.
    void parameterChanged(std::int32_t index) override;
};
