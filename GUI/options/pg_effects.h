// CPgEffects: the options page "Voice Effects": the voice effect library, the three effect slots,
// the test of an effect and the listen mode.
#pragma once

#include "options/options_page.h"

class CPgEffects : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgEffects(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
};
