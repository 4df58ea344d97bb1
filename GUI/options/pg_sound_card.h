// CPgSoundCard: the options page "General": start with the desktop session, the recording and
// playback devices, restarting the service.
#pragma once

#include "options/options_page.h"

class CPgSoundCard : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgSoundCard(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;
};
