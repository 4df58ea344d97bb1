#include "options/pg_sound_card.h"

CPgSoundCard::CPgSoundCard(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdSoundCard, parent) {}

QString CPgSoundCard::Title() const {
    return QStringLiteral("General");
}

void CPgSoundCard::UpdatePage() {}
