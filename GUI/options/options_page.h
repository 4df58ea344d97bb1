// COptionsPage: the base of the options sheet's pages. A page shows the working copy of the
// configuration and edits it; the sheet moves the working copy into the running configuration
// on Apply. Each page follows one interface:
//   UpdatePage   refill every control from the working copy (on becoming active);
//   ApplyPage    put what the page keeps outside the working copy into it (before Apply);
//   StopTest     end the page's local test through the test stream.
// The page that is active receives the test stream's "test ended" notice, on the GUI thread,
// as OnTestEnded.
#pragma once

#include <QTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <string>

#include "options/options_context.h"
#include "teststream/test_stream.h"

class COptionsPage : public QWidget, public TestStreamReceiver {
    Q_OBJECT

public:
    // Resource ids of the pages, which are also their help ids.
    static constexpr int kIdEffects = 107;
    static constexpr int kIdBackSounds = 108;
    static constexpr int kIdEmotics = 134;
    static constexpr int kIdShortcuts = 106;
    static constexpr int kIdSoundCard = 109;

    COptionsPage(OptionsContext& context, int id, QWidget* parent = nullptr);
    ~COptionsPage() override;

    // The page's resource id (its help id). GUI thread.
    int Id() const { return id_; }
    // The tab's caption. GUI thread.
    virtual QString Title() const = 0;

    // Becoming active: logs "Page changed", takes the test stream's notices, refreshes the page
    // from the working copy. GUI thread.
    void OnSetActive();
    // Becoming inactive: stops the local test and leaves the test stream. GUI thread.
    void OnKillActive();

    // Refills the controls from the working copy. GUI thread.
    virtual void UpdatePage() = 0;
    // Puts what the page holds outside the working copy into it; Apply follows. GUI thread.
    virtual void ApplyPage() {}
    // Ends the page's local test (default: stops the test stream). GUI thread.
    virtual void StopTest();

    // Only raises a flag for the page's timer. Any thread.
    void TestEnded() override;

signals:
    // A change on the page: Apply becomes active.
    void modified();

protected:
    // The test stream's test ended (the sound ran out, or Stop). GUI thread.
    virtual void OnTestEnded() {}
    // Marks the sheet and this page modified. GUI thread.
    void SetModified();
    // Switches the server's monitor off before a local test, so that only the test is heard.
    // GUI thread.
    void ServerMonitorOff();
    // Runs a file operation (import, delete, folder work: they throw MyError with the text of
    // the step that failed); a failure's text goes to the log and into an error box. True when
    // it succeeded. GUI thread.
    bool RunFileOperation(const std::function<void()>& operation);
    // Help for this page. GUI thread.
    void ShowHelp();

    OptionsContext& context_;

private:
    void PollTestEnded();

    const int id_;
    std::atomic<bool> testEnded_{false};
    QTimer endedTimer_;
};
