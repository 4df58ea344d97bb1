// CPgShortcuts: the options page "Shortcut Keys": the seventeen hot keys, captured from the
// keyboard. The page is a small state machine: nothing selected; a line selected; capturing,
// after Change, until a key is released or Esc restores the previous key.
#pragma once

#include <cstdint>
#include <string>

#include "options/options_page.h"

class QLabel;
class QPushButton;
class QTreeWidget;

class CPgShortcuts : public COptionsPage {
    Q_OBJECT

public:
    explicit CPgShortcuts(OptionsContext& context, QWidget* parent = nullptr);
    ~CPgShortcuts() override;

    QString Title() const override;
    // Refills the key column from the working copy's shortcut texts. GUI thread.
    void UpdatePage() override;

    // Whether Change was pressed and the page waits for keys. GUI thread.
    bool IsCapturing() const { return capturing_; }

protected:
    // While capturing, every key event of the application comes here first: the combination is
    // built from it, and neither focus keys nor the dialog's shortcuts see it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    // The hot-key index of the selected line, or -1.
    int SelectedAction() const;
    void UpdateButtons();

    void OnChangeClicked();
    void OnRemoveClicked();
    void StartCapture();
    // Leaves the capture state; restore puts the previous text back.
    void EndCapture(bool restore);
    void OnKeyPressed(int qtKey, Qt::KeyboardModifiers modifiers);
    void OnKeyReleased();
    // Shows text on the line of action, stores it as the action's shortcut, marks modified.
    void Store(int action, const std::string& text);
    void ShowKeyText(int action, const std::string& text);

    QTreeWidget* list_ = nullptr;
    QPushButton* change_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* hint_ = nullptr;

    bool capturing_ = false;
    int captureAction_ = -1;
    // The key column's text when capture began (Esc restores it).
    std::string previousText_;
    std::uint32_t mainKey_ = 0;
    bool mainKeyPressed_ = false;
    std::uint32_t modifiers_ = 0;
    // Keys pressed since capture began: only their release ends it (not the release of the key
    // that pressed Change).
    int pressedKeys_ = 0;
};
