#include "options/options_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/help.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "options/options_server.h"
#include "options/pg_back_sounds.h"
#include "options/pg_effects.h"
#include "options/pg_emotics.h"
#include "options/pg_shortcuts.h"
#include "options/pg_sound_card.h"
#include "platform/sound/audio_backend.h"
#include "platform/sound/sound_server.h"
#include "teststream/test_stream.h"
#include "teststream/test_stream_devices.h"

namespace {

constexpr unsigned kTextOptions = 136;
constexpr unsigned kTextCancel = 187;
constexpr unsigned kTextWriteFailed = 256;
constexpr unsigned kTextOk = 347;
constexpr unsigned kTextHelp = 348;
constexpr unsigned kTextApply = 359;

} // namespace

COptionsSheet::COptionsSheet(AppConfig& running, OptionsServer& server, QWidget* parent,
                             std::unique_ptr<AudioBackend> backend)
    : QDialog(parent), running_(running), working_(running), backend_(std::move(backend)) {
    LogScope scope("COptionsSheet::COptionsSheet");
    if (!backend_)
        backend_ = platform::CreateSoundServerBackend();
    testStream_ = std::make_unique<TestStream>(*backend_);
    context_.reset(new OptionsContext{working_, running_, *testStream_, server});
    setWindowTitle(UiText(kTextOptions));
    setAccessibleName(windowTitle());

    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(windowTitle());
    general_ = new CPgSoundCard(*context_, this);
    pages_ = {new CPgEffects(*context_, this), new CPgBackSounds(*context_, this),
              new CPgEmotics(*context_, this), new CPgShortcuts(*context_, this), general_};
    for (COptionsPage* page : pages_) {
        tabs_->addTab(page, page->Title());
        page->setAccessibleName(page->Title());
        connect(page, &COptionsPage::modified, this, &COptionsSheet::OnModified);
    }

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(UiText(kTextOk), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(UiText(kTextCancel), QDialogButtonBox::RejectRole);
    apply_ = buttons->addButton(UiText(kTextApply), QDialogButtonBox::ApplyRole);
    help_ = buttons->addButton(UiText(kTextHelp), QDialogButtonBox::HelpRole);
    for (QPushButton* button : {ok_, cancel_, apply_, help_})
        button->setAccessibleName(button->text());
    ok_->setDefault(true);
    apply_->setEnabled(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(apply_, &QPushButton::clicked, this, &COptionsSheet::Apply);
    connect(help_, &QPushButton::clicked, this, &COptionsSheet::ShowHelp);
    // The pages answer F1 themselves; the tab bar and the buttons ask for the active page's help.
    for (QWidget* area : {static_cast<QWidget*>(tabs_->tabBar()), static_cast<QWidget*>(buttons)}) {
        auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), area);
        f1->setContext(Qt::WidgetWithChildrenShortcut);
        connect(f1, &QShortcut::activated, this, &COptionsSheet::ShowHelp);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
    setTabOrder(tabs_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, apply_);
    setTabOrder(apply_, help_);

    OpenTestStream();
    connect(tabs_, &QTabWidget::currentChanged, this, &COptionsSheet::OnTabChanged);
}

COptionsSheet::~COptionsSheet() {
    // Removing the pages changes the current tab: no page becomes active any more.
    disconnect(tabs_, nullptr, this, nullptr);
    if (active_ != nullptr)
        active_->OnKillActive();
    active_ = nullptr;
    testStream_->Stop();
    testStream_->CloseStream();
    // The pages go before the stream and the context they hold.
    for (COptionsPage* page : pages_)
        delete page;
    pages_.clear();
}

bool COptionsSheet::Busy() const {
    return general_ != nullptr && general_->Busy();
}

void COptionsSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (active_ == nullptr)
        OnTabChanged(tabs_->currentIndex());
}

void COptionsSheet::OnTabChanged(int index) {
    COptionsPage* page = index >= 0 && index < static_cast<int>(pages_.size())
                             ? pages_[static_cast<std::size_t>(index)]
                             : nullptr;
    if (page == active_)
        return;
    if (active_ != nullptr)
        active_->OnKillActive();
    active_ = page;
    if (active_ != nullptr)
        active_->OnSetActive();
}

void COptionsSheet::OnModified() {
    apply_->setEnabled(context_->modified);
}

COptionsPage* COptionsSheet::ActivePage() const {
    return active_;
}

void COptionsSheet::ShowHelp() {
    const COptionsPage* page = ActivePage();
    HelpShow(this, page != nullptr ? page->Id() : COptionsPage::kIdEffects);
}

void COptionsSheet::OpenTestStream() {
    OpenTestStreamOn(*testStream_,
                     {working_.input, working_.monitor, working_.mixInSrc, working_.inBuffSizeMs,
                      working_.inBuffsN},
                     "Options");
}

bool COptionsSheet::Apply() {
    if (!context_->modified)
        return true;
    LogScope scope("COptionsSheet::Apply");
    context_->modified = false;
    apply_->setEnabled(false);
    for (COptionsPage* page : pages_)
        page->ApplyPage();
    // The test stream takes the devices chosen on the General page.
    if (active_ != nullptr)
        active_->StopTest();
    testStream_->CloseStream();
    OpenTestStream();
    running_ = working_;
    if (!running_.Save()) {
        // The sheet keeps its changes, so that the user can apply them again.
        LogError("COptionsSheet::Apply: cannot write %s", running_.ConfigPath().c_str());
        context_->modified = true;
        apply_->setEnabled(true);
        ShowMessage(this, LoadStr(kTextWriteFailed), MessageIcon::Error);
        scope.SetResult("not written");
        return false;
    }
    if (context_->server.Connected())
        context_->server.SrvUpdate();
    return true;
}

bool COptionsSheet::PrepareClose() {
    if (active_ != nullptr)
        active_->StopTest();
    // Local tests switch the server's monitor off.
    if (context_->server.Connected())
        context_->server.MonitorSet(running_.monitorOn);
    if (Busy()) {
        LogPlain("COptionsSheet: the service is restarting; the sheet stays open");
        return false;
    }
    return true;
}

void COptionsSheet::done(int result) {
    if (result == QDialog::Accepted && !Apply())
        return;
    if (!PrepareClose())
        return;
    if (active_ != nullptr) {
        active_->OnKillActive();
        active_ = nullptr;
    }
    QDialog::done(result);
}
