// CPgBackSounds: the options page "Background": the background sounds folder and the three
// background slots.
#pragma once

#include "options/options_page.h"

class CPgBackSounds : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgBackSounds(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
};
