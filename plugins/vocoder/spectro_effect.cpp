#include "spectro_effect.h"

#include <new>

#include "spectro_editor.h"

SpectroEffect::SpectroEffect(audioMasterCallback host)
    : PhaseVocoder(host, VocoderVariant::Spectro) {
    std::unique_ptr<EffectEditor> editor(new (std::nothrow) spectro::SpectroEditor(this));
    if (editor == nullptr) {
        setOutOfMemory();
        return;
    }
    setEditor(std::move(editor));
}

void SpectroEffect::parameterChanged(std::int32_t index) {
    static_cast<spectro::SpectroEditor*>(getEditor())->setParameter(index, getParameter(index));
}
