#include "mainwindow/main_face.h"

#include "base/strtable.h"
#include "common/ui_text.h"
#include "scope/osci.h"
#include "skin/ff_button.h"
#include "skin/ff_slider_ctrl.h"
#include "skin/ff_static_text.h"
#include "skin/pn_list_box.h"
#include "skin/skin_parser.h"

#include <QButtonGroup>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <functional>
#include <string>

namespace {

constexpr unsigned kTextCouldNotParseSkin = 201;
// The name an empty slot text reads as.
constexpr char kSlotNameProperty[] = "voxwarpSlotName";
constexpr unsigned kTextOptions = 136;
constexpr unsigned kTextStopAll = 275;
constexpr unsigned kTextHelp = 348;
constexpr unsigned kTextFunSounds = 352;
constexpr unsigned kTextVoiceEffectN = 271;
constexpr unsigned kTextChooseVoiceEffectN = 382;
constexpr unsigned kTextBackgroundN = 274;
constexpr unsigned kTextBackgroundNVolume = 384;
constexpr unsigned kTextChooseBackgroundN = 385;
constexpr unsigned kTextMonitor = 386;
constexpr unsigned kTextMonitorVolume = 387;
constexpr unsigned kTextAbout = 388;
constexpr unsigned kTextMinimize = 389;
constexpr unsigned kTextExit = 390;
constexpr unsigned kTextOscilloscope = 391;
constexpr unsigned kTextMicrophoneInUse = 392;

} // namespace

MainFace::MainFace(QWidget* parent) : QWidget(parent) {
    effectGroup_ = new QButtonGroup(this);
    backGroup_ = new QButtonGroup(this);
    auto button = [this](CFFButton::Kind kind) {
        auto* b = new CFFButton(kind, this);
        buttons_.push_back(b);
        return b;
    };
    // Created in skin order, which is also the keyboard's tab order.
    for (int i = 0; i < 3; ++i) {
        effectRadio[i] = button(CFFButton::Kind::Radio);
        effectRadio[i]->SetRadioGroup(effectGroup_);
        effectText[i] = new CFFStaticText(this);
        effectChoose[i] = button(CFFButton::Kind::Push);
    }
    for (int i = 0; i < 3; ++i) {
        backVolume[i] = new CFFSliderCtrl(this);
        backRadio[i] = button(CFFButton::Kind::Radio);
        backRadio[i]->SetRadioGroup(backGroup_);
        backText[i] = new CFFStaticText(this);
        backChoose[i] = button(CFFButton::Kind::Push);
    }
    funList = new CPNListBox(this);
    stopAll = button(CFFButton::Kind::Push);
    monitor = button(CFFButton::Kind::Radio); // alone in its group: an on/off switch
    monitorLevel = new CFFSliderCtrl(this);
    options = button(CFFButton::Kind::Push);
    help = button(CFFButton::Kind::Push);
    about = button(CFFButton::Kind::Push);
    minimize = button(CFFButton::Kind::Push);
    exit = button(CFFButton::Kind::Push);
    osci = new OSCI(this);
    deviceLed = button(CFFButton::Kind::Radio); // display only: its checked picture is the lit LED
    deviceLed->setEnabled(false);
    deviceLed->setFocusPolicy(Qt::NoFocus);
    NameControls();
}

MainFace::~MainFace() = default;

void MainFace::NameControls() {
    // What screen readers and UI automation call the controls, from the string table. The slot
    // texts read as the names they show (SetSlotText).
    auto numbered = [](unsigned id, int slot) {
        return QString::fromStdString(UiFormat(id, slot + 1));
    };
    for (int i = 0; i < 3; ++i) {
        effectText[i]->setProperty(kSlotNameProperty, numbered(kTextVoiceEffectN, i));
        backText[i]->setProperty(kSlotNameProperty, numbered(kTextBackgroundN, i));
        SetSlotText(effectText[i], effectText[i]->text());
        SetSlotText(backText[i], backText[i]->text());
        effectRadio[i]->setAccessibleName(numbered(kTextVoiceEffectN, i));
        effectChoose[i]->setAccessibleName(numbered(kTextChooseVoiceEffectN, i));
        backVolume[i]->setAccessibleName(numbered(kTextBackgroundNVolume, i));
        backRadio[i]->setAccessibleName(numbered(kTextBackgroundN, i));
        backChoose[i]->setAccessibleName(numbered(kTextChooseBackgroundN, i));
    }
    funList->setAccessibleName(UiText(kTextFunSounds));
    stopAll->setAccessibleName(UiText(kTextStopAll));
    monitor->setAccessibleName(UiText(kTextMonitor));
    monitorLevel->setAccessibleName(UiText(kTextMonitorVolume));
    options->setAccessibleName(UiText(kTextOptions));
    help->setAccessibleName(UiText(kTextHelp));
    about->setAccessibleName(UiText(kTextAbout));
    minimize->setAccessibleName(UiText(kTextMinimize));
    exit->setAccessibleName(UiText(kTextExit));
    osci->setAccessibleName(UiText(kTextOscilloscope));
    deviceLed->setAccessibleName(UiText(kTextMicrophoneInUse));
}

void MainFace::SetSlotText(CFFStaticText* text, const QString& name) {
    text->SetText(name);
    // An empty slot reads as the slot itself.
    text->setAccessibleName(name.isEmpty() ? text->property(kSlotNameProperty).toString() : name);
}

bool MainFace::LoadWindowSection(CSkinParser& parser) {
    if (!parser.FindSection("[Velmar]"))
        return true; // the window keeps its size, picture and outline
    QSize size;
    QString bitmap;
    QString region;
    bool bitmapGiven = false;
    while (parser.NextAttribute()) {
        if (parser.GetSize("size", size))
            continue;
        if (parser.GetFile("bitmap", bitmap)) {
            bitmapGiven = true;
            continue;
        }
        parser.GetFile("region", region);
    }
    if (size.isValid() && !size.isEmpty()) {
        skinSize_ = size;
        setFixedSize(size);
    }
    if (!region.isEmpty() && outline_.Load(region))
        setMask(outline_.Region());
    background_.Clear();
    if (bitmapGiven)
        background_.Load(bitmap); // a picture that does not load leaves the window without one
    return true;
}

bool MainFace::LoadSkin(const QString& skinFile, QString* error) {
    CSkinParser parser;
    if (!parser.Open(skinFile)) {
        if (error != nullptr)
            *error = tr("Could not open skin file %1").arg(skinFile);
        return false;
    }
    LoadWindowSection(parser);

    using Loader = std::function<bool(const char*)>;
    auto buttonLoader = [&parser](CFFButton* b) {
        return Loader([&parser, b](const char* s) { return b->LoadSkin(parser, s); });
    };
    auto textLoader = [&parser](CFFStaticText* t) {
        return Loader([&parser, t](const char* s) { return t->LoadSkin(parser, s); });
    };
    auto sliderLoader = [&parser](CFFSliderCtrl* c) {
        return Loader([&parser, c](const char* s) { return c->LoadSkin(parser, s); });
    };
    std::vector<std::pair<std::string, Loader>> order;
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        order.emplace_back("[ERadio" + n + "]", buttonLoader(effectRadio[i]));
        order.emplace_back("[EText" + n + "]", textLoader(effectText[i]));
        order.emplace_back("[EConfig" + n + "]", buttonLoader(effectChoose[i]));
    }
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        order.emplace_back("[SSlider" + n + "]", sliderLoader(backVolume[i]));
        order.emplace_back("[SRadio" + n + "]", buttonLoader(backRadio[i]));
        order.emplace_back("[SText" + n + "]", textLoader(backText[i]));
        order.emplace_back("[SConfig" + n + "]", buttonLoader(backChoose[i]));
    }
    order.emplace_back("[EmList]", [&](const char* s) { return funList->LoadSkin(parser, s); });
    order.emplace_back("[StopAll]", buttonLoader(stopAll));
    order.emplace_back("[Monitor]", buttonLoader(monitor));
    order.emplace_back("[MonitorLvl]", sliderLoader(monitorLevel));
    order.emplace_back("[Options]", buttonLoader(options));
    order.emplace_back("[Help]", buttonLoader(help));
    order.emplace_back("[About]", buttonLoader(about));
    order.emplace_back("[Minimize]", buttonLoader(minimize));
    order.emplace_back("[Exit]", buttonLoader(exit));
    order.emplace_back("[Osci]", [&](const char* s) { return osci->LoadSkin(parser, s); });
    order.emplace_back("[DevLed]", buttonLoader(deviceLed));

    for (const auto& [section, load] : order) {
        if (!load(section.c_str())) {
            if (error != nullptr) {
                const std::string& text = LoadStr(kTextCouldNotParseSkin);
                *error = QString::asprintf(text.c_str(), section.c_str());
            }
            return false;
        }
    }
    update();
    return true;
}

void MainFace::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!background_.IsNull())
        painter.drawImage(0, 0, background_.Image());
    else
        painter.fillRect(rect(), palette().window());
}

// The window has no title bar: a press anywhere that is not on a control drags it.
void MainFace::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isWindow())
        return QWidget::mousePressEvent(event);
    dragging_ = true;
    dragStart_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainFace::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_)
        move(event->globalPosition().toPoint() - dragStart_);
}

void MainFace::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging_ = false;
}
