#include "options/pg_back_sounds.h"

CPgBackSounds::CPgBackSounds(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdBackSounds, parent) {}

QString CPgBackSounds::Title() const {
    return QStringLiteral("Background");
}

void CPgBackSounds::UpdatePage() {}
