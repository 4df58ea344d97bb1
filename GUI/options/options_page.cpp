#include "options/options_page.h"

#include <QKeyEvent>
#include <QShortcut>

#include "base/error.h"
#include "base/mlog.h"
#include "common/help.h"
#include "common/message_box.h"
#include "options/options_server.h"

namespace {

// How often the active page looks for the test stream's notice.
constexpr int kEndedPollMs = 50;

} // namespace

COptionsPage::COptionsPage(OptionsContext& context, int id, QWidget* parent)
    : QWidget(parent), context_(context), id_(id) {
    endedTimer_.setInterval(kEndedPollMs);
    connect(&endedTimer_, &QTimer::timeout, this, &COptionsPage::PollTestEnded);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, &COptionsPage::ShowHelp);
}

COptionsPage::~COptionsPage() {
    if (context_.testStream.IsOpen() || context_.testStream.IsRunning())
        context_.testStream.SetReceiver(nullptr);
}

void COptionsPage::OnSetActive() {
    LogPlain("Page changed");
    testEnded_.store(false);
    context_.testStream.SetReceiver(this);
    endedTimer_.start();
    UpdatePage();
}

void COptionsPage::OnKillActive() {
    StopTest();
    context_.testStream.SetReceiver(nullptr);
    endedTimer_.stop();
    testEnded_.store(false);
}

void COptionsPage::StopTest() {
    context_.testStream.Stop();
}

void COptionsPage::TestEnded() {
    testEnded_.store(true);
}

void COptionsPage::PollTestEnded() {
    if (testEnded_.exchange(false))
        OnTestEnded();
}

void COptionsPage::SetModified() {
    context_.modified = true;
    emit modified();
}

void COptionsPage::ServerMonitorOff() {
    if (context_.server.Connected())
        context_.server.MonitorSet(false);
}

bool COptionsPage::RunFileOperation(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const MyError& error) {
        const std::string text = error.Text() != nullptr ? error.Text() : "";
        LogError("%s", text.c_str());
        if (!text.empty())
            ShowMessage(this, text, MessageIcon::Error);
        return false;
    }
}

void COptionsPage::ShowHelp() {
    HelpShow(this, id_);
}
