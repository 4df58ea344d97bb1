#include "editor_controls.h"

#include "spectro_art.h"

namespace spectro {

namespace {

// The controls' pictures: plain, and under the mouse.
const art::Picture* const kHandles[2] = {&art::kSliderHandle, &art::kSliderHandleHover};
const art::Picture* const kMenuFaces[2] = {&art::kMenuFace, &art::kMenuFaceHover};
const art::Picture* const kFreezeStates[2] = {&art::kFreezeButton, &art::kFreezeButtonHover};

} // namespace

std::unique_ptr<Control> MakeControl(const ControlSpec& spec, ControlListener& listener) {
    const ControlId id = spec.id;
    switch (spec.kind) {
    case ControlKind::Slider:
        return std::make_unique<VerticalSlider>(spec.rect, spec.tag, listener, art::kSliderTrack,
                                                kHandles, kHandleTop, kHandleBottom,
                                                SliderDefault(id));
    case ControlKind::OnOff:
        return std::make_unique<OnOffButton>(spec.rect, spec.tag, listener, kFreezeStates);
    case ControlKind::Menu:
        return std::make_unique<OptionMenu>(spec.rect, spec.tag, listener, kMenuFaces,
                                            art::kValueFont, art::kPalette.text, kMenuTextBox,
                                            MenuEntries(id));
    case ControlKind::Display:
        return std::make_unique<ValueDisplay>(spec.rect, spec.tag, listener, art::kDisplayFace,
                                              art::kValueFont, art::kPalette.text,
                                              [id](float value) { return DisplayText(id, value); });
    case ControlKind::Splash:
        break;
    }
    return std::make_unique<SplashArea>(spec.rect, spec.tag, listener, art::kSplash,
                                        kSplashImageRect);
}

void ShowParameter(Control& control, ControlId id, float parameter) {
    switch (SpecOf(id).kind) {
    case ControlKind::Menu:
        control.setValue(static_cast<float>(MenuIndexFor(id, parameter)));
        break;
    case ControlKind::OnOff:
        control.setValue(FreezeOnFor(parameter) ? 1.0f : 0.0f);
        break;
    default:
        control.setValue(parameter);
        break;
    }
}

float ParameterOf(const Control& control, ControlId id) {
    switch (SpecOf(id).kind) {
    case ControlKind::Menu:
        return ParameterForMenuIndex(id, static_cast<int>(control.value()));
    case ControlKind::OnOff:
        return BlurForFreeze(control.value() >= 0.5f);
    default:
        return control.value();
    }
}

} // namespace spectro
