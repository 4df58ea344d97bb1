#include "options/pg_emotics.h"

CPgEmotics::CPgEmotics(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdEmotics, parent) {}

QString CPgEmotics::Title() const {
    return QStringLiteral("Fun Sounds");
}

void CPgEmotics::UpdatePage() {}
