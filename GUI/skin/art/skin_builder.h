// SkinBuilder: draws every picture of one skin from the theme and the skin's layout and writes
// the skin file that names them. The result is a set of files relative to the skins folder:
// "<Name>.sdf" and the pictures, regions and cursor in "<Name>/".
#pragma once

#include "layout.h"
#include "theme.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <map>

namespace skinart {

// What a preview shows: every control at rest, the checked and mouse-over states, or all
// controls disabled.
enum class PreviewKind { Up, Active, Disabled };

class SkinBuilder {
public:
    SkinBuilder(const Theme& theme, const Layout& layout) : theme_(theme), layout_(layout) {}

    // Draws the pictures and writes the skin file text; false with error set when the layout
    // misses a section the main window reads or a control leaves the window.
    bool Build(QString& error);

    // File contents by path relative to the skins folder.
    const std::map<QString, QByteArray>& Files() const { return files_; }

    // The composite picture of the window as the control panel would show it.
    QImage Preview(PreviewKind kind) const;

private:
    using States = std::map<QString, QImage>; // "up", "do", "mo", "da", "on_up", ...

    void DrawBackground();
    States DrawControl(const Control& c) const;
    States DrawSlot(const Control& c) const;
    States DrawChoose(const Control& c) const;
    States DrawStop(const Control& c) const;
    States DrawSwitch(const Control& c) const;
    States DrawWindowButton(const Control& c) const;
    States DrawLed(const Control& c) const;
    States DrawSlider(const Control& c) const;
    QImage DrawHandCursor() const;

    void WriteSection(const Control& c, const States& pictures);
    // Stores the picture as a BMP (once per distinct content) and returns its file name.
    QString AddBitmap(const QString& stem, const QImage& image);
    QString AddFile(const QString& name, const QByteArray& data);
    QImage Under(const Control& c) const; // what lies beneath a control

    const Theme& theme_;
    const Layout& layout_;
    QImage background_;
    std::map<QString, States> pictures_; // by section
    QStringList sdf_;
    std::map<QString, QByteArray> files_;
    std::map<QByteArray, QString> bitmapNames_; // content -> file name
    QString cursor_;
};

// The sections the main window reads, in the order of the skin file.
const QStringList& MainWindowSections();

} // namespace skinart
