// CPgBackSounds: the options page "Background": the background sounds folder and the three
// background slots. "<<" puts the selected sound into a slot; Import... copies a WAV file into
// the folder in the mixing format; Delete removes a sound from the folder and from every slot
// that plays it, on the server at once; Test plays it once.
#pragma once

#include <array>
#include <string>

#include "options/sound_page.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class CPgBackSounds : public CSoundPage {
    Q_OBJECT

public:
    explicit CPgBackSounds(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    void UpdatePage() override;

private:
    void BuildControls();
    // Refills the list from the folder; keeps the selected sound selected when it is still there.
    void FillList();
    void UpdateButtons();
    // The selected sound's file name ("hum.wav"); empty when none is selected.
    std::string SelectedFile() const;

    void UseForSlot(int slot);
    void DescriptionEdited(int slot, const QString& text);
    void ImportSound();
    void DeleteSelected();
    // Removes the sound file and empties every slot that plays it: on the server, in the
    // working copy and in the running configuration (written). Throws MyError.
    void RemoveSound(const std::string& fileName);

    std::array<QLineEdit*, 3> descriptions_{};
    std::array<QPushButton*, 3> useButtons_{};
    QListWidget* sounds_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* delete_ = nullptr;
};
