// CSoundPage: what the Background and Fun Sounds pages share: the Test/Stop button that plays a
// sound once through the sheet's test stream, the hidden test volume slider, the file dialog of
// Import... and the import that replaces a sound of the same name after asking.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "options/options_page.h"

class AppConfig;
class QPushButton;
class QSlider;

class CSoundPage : public COptionsPage {
    Q_OBJECT

public:
    // Asks for the sound file to import; empty when the user cancelled.
    using ImportChooser = std::function<std::string(QWidget* parent, const QString& filter)>;

    // Replaces the file dialog of Import... (tests). GUI thread.
    void SetImportChooser(ImportChooser chooser) { chooseImport_ = std::move(chooser); }

    // Stops the sound test; the button shows "Test" again. GUI thread.
    void StopTest() override;

protected:
    // loadErrorId: the text shown when the sound cannot be loaded ("%s": the WAV error);
    // testVolume: the configuration's test volume of this page. GUI thread.
    CSoundPage(OptionsContext& context, int id, unsigned loadErrorId,
               std::uint8_t AppConfig::*testVolume, QWidget* parent);

    // Test pressed: stops a running test, or plays path once. GUI thread.
    void ToggleTest(const std::string& path);
    // The sound ran out: the button shows "Test" again. GUI thread.
    void OnTestEnded() override;

    // The file the user chose with the filter text filterId; empty when cancelled. GUI thread.
    std::string ChooseImport(unsigned filterId);
    // Imports source as storedPath (the full path the import will store it under): when a file
    // is there, asks questionId ("%s": its name) and on yes removes it with removeOld (which
    // throws MyError) first. False when refused or failed (the user has been told). GUI thread.
    bool ImportReplacing(const std::string& source, const std::string& storedPath,
                         unsigned questionId, const std::function<void()>& removeOld,
                         const std::function<void()>& import);

    // A yes/no question with the icon the situation asks for. GUI thread.
    bool Ask(const std::string& text, bool warning);

    // A push button with a caption of the string table as its text and accessible name.
    QPushButton* MakeButton(unsigned textId, const char* objectName);

    QPushButton* testButton_ = nullptr;
    QSlider* testVolume_ = nullptr;

private:
    void SetTestVolume(int percent);

    const unsigned loadErrorId_;
    std::uint8_t AppConfig::*const testVolumeField_;
    ImportChooser chooseImport_;
    bool testing_ = false;
};
