#include "wizard/wizard_page_parts.h"

#include <QSlider>

#include "common/ui_text.h"
#include "scope/osci.h"
#include "wizard/wizard_texts.h"

namespace {
constexpr int kMaxVolume = 65535;
constexpr int kScopeHeight = 72;
} // namespace

QSlider* MakeVolumeSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, kMaxVolume);
    slider->setSingleStep(kMaxVolume / 100);
    slider->setPageStep(kMaxVolume / 10);
    slider->setAccessibleName(UiText(wiztext::kVolume));
    slider->setFocusPolicy(Qt::StrongFocus);
    return slider;
}

OSCI* MakeScope(QWidget* parent) {
    auto* scope = new OSCI(parent);
    scope->SetColors(QColor(0x0d, 0x11, 0x17), QColor(0x46, 0xe0, 0x8a));
    scope->setMinimumHeight(kScopeHeight);
    scope->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return scope;
}
