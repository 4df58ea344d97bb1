// COptionsSheet: the modal options dialog. Five pages edit a working copy of the running
// configuration; Apply (or OK) moves it into the running configuration, writes the
// configuration files and tells the voice server to reload. The pages share one test stream
// for local listening.
#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "config/config.h"
#include "options/options_context.h"
#include "platform/sound/audio_backend.h"

class COptionsPage;
class CPgSoundCard;
class OptionsServer;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class TestStream;

class COptionsSheet : public QDialog {
    Q_OBJECT

public:
    // running and server must outlive the sheet. The test stream plays through backend (null:
    // the sound server). GUI thread.
    COptionsSheet(AppConfig& running, OptionsServer& server, QWidget* parent = nullptr,
                  std::unique_ptr<AudioBackend> backend = nullptr);
    ~COptionsSheet() override;

    // The working copy the pages edit. GUI thread.
    AppConfig& Working() { return working_; }
    OptionsContext& Context() { return *context_; }
    QTabWidget* Tabs() const { return tabs_; }
    // The pages in tab order.
    const std::vector<COptionsPage*>& Pages() const { return pages_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* ApplyButton() const { return apply_; }
    QPushButton* HelpButton() const { return help_; }
    // Set while the General page restarts the service: the sheet cannot close. Any thread.
    bool Busy() const;

    // Apply: when modified, moves the working copy into the running configuration, writes the
    // files and tells the server; false (after an error box) when a file could not be written.
    // GUI thread.
    bool Apply();

    // OK, Cancel and the window's close end here. GUI thread.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnTabChanged(int index);
    void OnModified();
    void ShowHelp();
    // Stops the active page's test and gives the server its configured monitor; false while
    // busy.
    bool PrepareClose();
    // Re-opens the test stream on the working copy's devices.
    void OpenTestStream();
    COptionsPage* ActivePage() const;

    AppConfig& running_;
    AppConfig working_;
    std::unique_ptr<AudioBackend> backend_;
    std::unique_ptr<TestStream> testStream_;
    std::unique_ptr<OptionsContext> context_;
    std::vector<COptionsPage*> pages_;
    CPgSoundCard* general_ = nullptr;
    COptionsPage* active_ = nullptr;

    QTabWidget* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* help_ = nullptr;
};
