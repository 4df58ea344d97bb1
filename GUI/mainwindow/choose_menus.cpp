#include "mainwindow/choose_menus.h"

#include <QMenu>

#include "common/ui_text.h"
#include "config/config.h"
#include "effect/effect_library.h"

namespace {

constexpr unsigned kTextCancel = 187;
constexpr std::size_t kWavLength = 4; // ".wav"
// The property that marks the "Cancel" item.
constexpr char kCancelProperty[] = "voxwarpCancel";

QString WithoutWav(const std::string& file) {
    const std::string base = file.substr(file.rfind('/') + 1);
    return QString::fromStdString(
        base.size() > kWavLength ? base.substr(0, base.size() - kWavLength) : base);
}

void AddItem(QMenu& menu, const QString& text, const std::string& value) {
    // Plain text: an "&" in a name is shown, not taken as an access key.
    QString shown = text;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    menu.addAction(shown)->setData(QString::fromStdString(value));
}

void AddCancel(QMenu& menu) {
    menu.addSeparator();
    menu.addAction(UiText(kTextCancel))->setProperty(kCancelProperty, true);
}

// False when the group holds no sound, directly or in a sub-folder: it is left out.
bool AddFunSoundGroup(QMenu& menu, const FunSoundGroup& group) {
    bool any = false;
    for (const FunSoundGroup& child : group.groups) {
        auto* sub = new QMenu(QString::fromStdString(child.name), &menu);
        if (AddFunSoundGroup(*sub, child)) {
            menu.addMenu(sub);
            any = true;
        } else {
            delete sub;
        }
    }
    for (const std::string& sound : group.sounds) {
        AddItem(menu, WithoutWav(sound), sound);
        any = true;
    }
    return any;
}

} // namespace

QAction* ExecMenu(QMenu& menu, const QPoint& at) {
    return menu.exec(at);
}

void FillEffectMenu(QMenu& menu, const AppConfig& config) {
    for (const VoiceEffect& effect : config.voiceEffects)
        AddItem(menu, QString::fromStdString(effect.name), effect.name);
    AddCancel(menu);
}

void FillBackgroundMenu(QMenu& menu, const AppConfig& config) {
    for (const std::string& file : ListBackSounds(config))
        AddItem(menu, WithoutWav(file), file);
    AddCancel(menu);
}

void FillFunSoundMenu(QMenu& menu, const AppConfig& config) {
    AddFunSoundGroup(menu, FunSoundTree(config));
    AddCancel(menu);
}

MenuChoice ChoiceOf(const QAction* chosen) {
    if (chosen == nullptr)
        return {};
    if (chosen->property(kCancelProperty).toBool())
        return {MenuChoice::Kind::Cancel, {}};
    return {MenuChoice::Kind::Item, chosen->data().toString().toStdString()};
}
