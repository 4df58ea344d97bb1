#include "editeffect/edit_effect.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "base/mlog.h"
#include "base/strtable.h"
#include "common/help.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "editeffect/edit_effect_texts.h"
#include "editeffect/server_link.h"
#include "effect/effect_library.h"
#include "teststream/test_stream.h"

using namespace edittext;

namespace {

// A button named after its caption, with or without an Alt access key.
QPushButton* MakeButton(unsigned id, const QString& objectName, bool mnemonic, QWidget* parent) {
    auto* button = new QPushButton(mnemonic ? UiMnemonic(id) : UiText(id), parent);
    button->setObjectName(objectName);
    button->setAccessibleName(UiAccessibleName(id));
    button->setAutoDefault(false);
    return button;
}

std::string DefaultImportChooser(QWidget* parent, const QString& filter) {
    const QString start = QString::fromStdString(LastImportFolder());
    return QFileDialog::getOpenFileName(parent, UiText(kImport).remove(QStringLiteral("...")),
                                        start, filter)
        .toStdString();
}

} // namespace

CEditEffect::CEditEffect(const VoiceEffect& effect, AppConfig& working, AppConfig& running,
                         TestStream* testStream, QWidget* parent)
    : QDialog(parent), effect_(effect), initialName_(effect.name), working_(working),
      running_(running), testStream_(testStream), chooseImport_(DefaultImportChooser),
      serverConnected_(VoiceServerConnected) {
    LogScope scope("CEditEffect::CEditEffect", "%s", effect.name.c_str());
    setObjectName(QStringLiteral("EditEffect"));
    setWindowTitle(UiText(kTitle));
    setAccessibleName(UiText(kTitle));
    setModal(true);
    BuildControls();

    FillPluginList();
    name_->setText(QString::fromStdString(effect_.name));
    usedVst_->setText(QString::fromStdString(effect_.plugin));
    // The effect's own plug-in is selected now and loaded once the dialog is on screen, so that
    // its editor can be placed beside it.
    if (!effect_.plugin.empty())
        SelectPlugin(effect_.plugin);
    UpdateButtons();
}

CEditEffect::~CEditEffect() {
    Host().CloseConfig();
    Host().SetListener(nullptr, nullptr, nullptr, nullptr);
}

void CEditEffect::BuildControls() {
    auto* nameLabel = new QLabel(UiMnemonic(kName), this);
    name_ = new QLineEdit(this);
    name_->setObjectName(QStringLiteral("name"));
    name_->setAccessibleName(UiAccessibleName(kName));
    nameLabel->setBuddy(name_);

    auto* usedLabel = new QLabel(UiText(kUsedVst), this);
    usedVst_ = new QLineEdit(this);
    usedVst_->setObjectName(QStringLiteral("usedVst"));
    usedVst_->setAccessibleName(UiAccessibleName(kUsedVst));
    usedVst_->setReadOnly(true);
    usedLabel->setBuddy(usedVst_);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(nameLabel, name_);
    form->addRow(usedLabel, usedVst_);

    auto* listLabel = new QLabel(UiMnemonic(kAvailableVst), this);
    plugins_ = new QListWidget(this);
    plugins_->setObjectName(QStringLiteral("plugins"));
    plugins_->setAccessibleName(UiAccessibleName(kAvailableVst));
    plugins_->setSelectionMode(QAbstractItemView::SingleSelection);
    plugins_->setMinimumSize(220, 160);
    plugins_->setSpacing(2);
    listLabel->setBuddy(plugins_);

    use_ = MakeButton(kUse, QStringLiteral("use"), true, this);
    import_ = MakeButton(kImport, QStringLiteral("import"), true, this);
    delete_ = MakeButton(kDelete, QStringLiteral("delete"), true, this);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(use_);
    listButtons->addWidget(import_);
    listButtons->addWidget(delete_);
    listButtons->addStretch();

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(plugins_, 1);
    listRow->addLayout(listButtons);

    ok_ = MakeButton(kOk, QStringLiteral("ok"), false, this);
    ok_->setDefault(true);
    ok_->setAutoDefault(true);
    cancel_ = MakeButton(kCancel, QStringLiteral("cancel"), false, this);
    help_ = MakeButton(kHelp, QStringLiteral("help"), true, this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help_);
    bottom->addStretch();
    bottom->addWidget(ok_);
    bottom->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    layout->addLayout(form);
    layout->addSpacing(4);
    layout->addWidget(listLabel);
    layout->addLayout(listRow, 1);
    layout->addSpacing(6);
    layout->addLayout(bottom);

    // Name, plug-in, list and its buttons, then the dialog's own buttons.
    setTabOrder(name_, usedVst_);
    setTabOrder(usedVst_, plugins_);
    setTabOrder(plugins_, use_);
    setTabOrder(use_, import_);
    setTabOrder(import_, delete_);
    setTabOrder(delete_, ok_);
    setTabOrder(ok_, cancel_);
    setTabOrder(cancel_, help_);

    connect(plugins_, &QListWidget::itemSelectionChanged, this, &CEditEffect::UpdateButtons);
    connect(plugins_, &QListWidget::itemDoubleClicked, this, [this] { UsePlugin(); });
    connect(use_, &QPushButton::clicked, this, [this] { UsePlugin(); });
    connect(import_, &QPushButton::clicked, this, [this] { ImportPlugin(); });
    connect(delete_, &QPushButton::clicked, this, [this] { DeleteSelectedPlugin(); });
    connect(ok_, &QPushButton::clicked, this, &CEditEffect::accept);
    connect(cancel_, &QPushButton::clicked, this, &CEditEffect::reject);
    connect(help_, &QPushButton::clicked, this, [this] { ShowHelp(); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelp(); });
}

void CEditEffect::FillPluginList() {
    plugins_->clear();
    for (const std::string& plugin : ListPlugins(working_))
        plugins_->addItem(QString::fromStdString(plugin));
    plugins_->clearSelection();
    UpdateButtons();
}

void CEditEffect::UpdateButtons() {
    const bool selected = !plugins_->selectedItems().isEmpty();
    use_->setEnabled(selected);
    delete_->setEnabled(selected);
}

std::string CEditEffect::SelectedPlugin() const {
    const QList<QListWidgetItem*> items = plugins_->selectedItems();
    return items.isEmpty() ? std::string() : items.front()->text().toStdString();
}

bool CEditEffect::SelectPlugin(const std::string& plugin) {
    const QString wanted = QString::fromStdString(plugin);
    for (int row = 0; row < plugins_->count(); ++row) {
        if (plugins_->item(row)->text() == wanted) {
            plugins_->setCurrentRow(row);
            plugins_->item(row)->setSelected(true);
            return true;
        }
    }
    return false;
}

PnAudioEffect& CEditEffect::Host() {
    return testStream_ != nullptr ? testStream_->Effect() : ownHost_;
}

void CEditEffect::ShowStopMessage(const std::string& caption, const std::string& text) {
    ShowMessageCaptioned(this, caption, text, MessageIcon::Error);
}

void CEditEffect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (configured_)
        return;
    configured_ = true;
    // Opening: the effect's own plug-in, when the folder has it.
    const std::string selected = SelectedPlugin();
    if (!effect_.plugin.empty() && selected == effect_.plugin)
        Configure(selected);
}

void CEditEffect::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    PlaceEditor();
}

void CEditEffect::ShowHelp() {
    HelpShow(this, kHelpEditEffect);
}

void CEditEffect::accept() {
    LogScope scope("CEditEffect::OnOK");
    const std::string name = name_->text().trimmed().toStdString();
    if (name.empty()) {
        // The library drops effects without a name when it is read.
        ShowMessage(this, LoadStr(kNameMissing), MessageIcon::Warning);
        name_->setFocus();
        return;
    }
    const bool renamed = QString::fromStdString(name).compare(QString::fromStdString(initialName_),
                                                              Qt::CaseInsensitive) != 0;
    if (renamed && FindVoiceEffect(working_.voiceEffects, name) >= 0) {
        ShowMessage(this, Format(kDuplicateName, name.c_str()), MessageIcon::Warning);
        name_->setFocus();
        name_->selectAll();
        return;
    }
    const std::string plugin = usedVst_->text().toStdString();
    if (!loadedPlugin_.empty() && loadedPlugin_ == plugin && Host().IsLoaded()) {
        effect_.params = Host().GetParams();
    } else if (plugin != effect_.plugin) {
        // Stored values of another plug-in mean nothing to this one.
        effect_.params.clear();
    }
    effect_.name = name;
    effect_.plugin = plugin;
    QDialog::accept();
}

void CEditEffect::done(int result) {
    // The editor window belongs to this dialog: it closes with it. The plug-in itself stays in
    // the test stream until the caller stops the test.
    Host().CloseConfig();
    Host().SetListener(nullptr, nullptr, nullptr, nullptr);
    QDialog::done(result);
}
