// CPgEffects: the options page "Voice Effects": the voice effect library, the three effect slots,
// the test of an effect and the listen mode.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <string>

#include "base/types.h"
#include "options/options_page.h"

class CEditEffect;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTreeWidget;

class CPgEffects : public COptionsPage {
    Q_OBJECT

public:
    // Runs the voice effect editor to its end and returns its result (default: a modal run).
    using EditorRunner = std::function<int(CEditEffect&)>;

    explicit CPgEffects(OptionsContext& context, QWidget* parent = nullptr);

    QString Title() const override;
    // Refills slots, library list, listen mode and test volume from the working copy; the
    // selected effect stays selected. GUI thread.
    void UpdatePage() override;
    // Releases Test and stops the test stream. GUI thread.
    void StopTest() override;

    // Replaces the modal run of the voice effect editor (tests). GUI thread.
    void SetEditorRunner(EditorRunner runner) { runEditor_ = std::move(runner); }

protected:
    void OnTestEnded() override;

private:
    void BuildControls();
    // Fills the library list; selects the effect called select when it is there.
    void FillLibrary(const std::string& select);
    void ShowSlots();
    // The library index of the selected line, or -1.
    int SelectedEffect() const;
    std::string SelectedName() const;
    void OnSelectionChanged();
    void UpdateButtons();

    void PutIntoSlot(int slot);
    void OnTestToggled(bool pressed);
    // Loads the selected effect with its stored values into the test stream and starts it;
    // false when it could not (the user has been told).
    bool StartSelectedTest();
    // Releases Test without starting or stopping anything.
    void ReleaseTest();
    void OnNew();
    void OnEdit();
    void OnDelete();
    // Opens the editor on effect; on OK stores it in the library (in place of the entry called
    // original, when given).
    void EditEffect(const VoiceEffect& effect, const std::string& original);
    void OnListenChosen(bool onlyWhenActive);
    void OnTestVolume(int value);

    std::array<QLineEdit*, 3> slots_{};
    std::array<QPushButton*, 3> putButtons_{};
    QTreeWidget* library_ = nullptr;
    QLineEdit* usedVst_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* test_ = nullptr;
    QRadioButton* always_ = nullptr;
    QRadioButton* onlyActive_ = nullptr;
    QSlider* testVolume_ = nullptr;

    EditorRunner runEditor_;
    // Set while the page moves its own controls, so that their signals change nothing.
    bool updating_ = false;
};
