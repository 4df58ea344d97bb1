#include "options/pg_shortcuts.h"

CPgShortcuts::CPgShortcuts(OptionsContext& context, QWidget* parent)
    : COptionsPage(context, kIdShortcuts, parent) {}

QString CPgShortcuts::Title() const {
    return QStringLiteral("Shortcut Keys");
}

void CPgShortcuts::UpdatePage() {}
