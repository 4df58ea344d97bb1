// CPgEmotics: the options page "Fun Sounds": the fun sounds folder (groups are folders) and the
// used fun sounds.
#pragma once

#include "options/options_page.h"

class CPgEmotics : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgEmotics(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
};
