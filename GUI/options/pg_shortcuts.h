// CPgShortcuts: the options page "Shortcut Keys": the seventeen hot keys, captured from the
// keyboard.
#pragma once

#include "options/options_page.h"

class CPgShortcuts : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgShortcuts(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
};
