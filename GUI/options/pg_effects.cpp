#include "options/pg_effects.h"

CPgEffects::CPgEffects(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdEffects, parent) {}

QString CPgEffects::Title() const {
    return QStringLiteral("Voice Effects");
}

void CPgEffects::UpdatePage() {}
