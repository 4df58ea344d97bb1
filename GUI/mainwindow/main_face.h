// MainFace: the main window's skinned face. It owns the window's controls (three voice effect
// slots, three background slots with their volume sliders, the fun sound list, Stop all, the
// monitor switch and level, the window buttons, the oscilloscope and the device LED) and loads
// their look and places from a skin file: "[Velmar]" gives the window's size, background
// picture and outline, then each control reads its own section in a fixed order.
#pragma once

#include "skin/dyn_bitmap.h"
#include "skin/dyn_rgn.h"

#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class CFFButton;
class CFFSliderCtrl;
class CFFStaticText;
class CPNListBox;
class CSkinParser;
class OSCI;
class QButtonGroup;

class MainFace : public QWidget {
    Q_OBJECT

public:
    explicit MainFace(QWidget* parent = nullptr);
    ~MainFace() override;

    // Loads the skin file. On failure error receives the message the user sees: "Could not open
    // skin file %s" or text 201 naming the first section that could not be read; controls read
    // before it keep their new look. GUI thread.
    bool LoadSkin(const QString& skinFile, QString* error);

    // The window's outline from the skin; empty when the skin gives none.
    const QRegion& Outline() const { return outline_.Region(); }
    QSize SkinSize() const { return skinSize_; }

    // Shows name in a slot's text; screen readers read the slot as that name. GUI thread.
    static void SetSlotText(CFFStaticText* text, const QString& name);

    // Every skinned button, in skin order.
    const std::vector<CFFButton*>& Buttons() const { return buttons_; }

    std::array<CFFButton*, 3> effectRadio{};
    std::array<CFFStaticText*, 3> effectText{};
    std::array<CFFButton*, 3> effectChoose{};
    std::array<CFFSliderCtrl*, 3> backVolume{};
    std::array<CFFButton*, 3> backRadio{};
    std::array<CFFStaticText*, 3> backText{};
    std::array<CFFButton*, 3> backChoose{};
    CPNListBox* funList = nullptr;
    CFFButton* stopAll = nullptr;
    CFFButton* monitor = nullptr;
    CFFSliderCtrl* monitorLevel = nullptr;
    CFFButton* options = nullptr;
    CFFButton* help = nullptr;
    CFFButton* about = nullptr;
    CFFButton* minimize = nullptr;
    CFFButton* exit = nullptr;
    OSCI* osci = nullptr;
    CFFButton* deviceLed = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

protected:
    // Names every control for screen readers and UI automation; again after a language change.
    void NameControls();

private:
    bool LoadWindowSection(CSkinParser& parser);
    std::vector<CFFButton*> buttons_;
    QButtonGroup* effectGroup_ = nullptr;
    QButtonGroup* backGroup_ = nullptr;
    CDynBitmap background_;
    CDynRgn outline_;
    QSize skinSize_;
    bool dragging_ = false;
    QPoint dragStart_;
};
