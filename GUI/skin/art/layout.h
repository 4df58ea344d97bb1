// Layout: one skin's arrangement, read from its layout source (data/art/<Skin>.layout): the
// window with its panels, labels and rules, and every control of the skin with its section
// name, drawing style and rectangle. The generator draws the pictures and writes the skin file
// from it.
#pragma once

#include "text_source.h"

#include <QRect>
#include <QString>

#include <vector>

namespace skinart {

enum class Style {
    Slot,         // large radio button with the slot number as caption
    Choose,       // small push button with a chevron, opens a choice menu
    Text,         // text label
    Slider,       // volume slider
    List,         // fun sound list
    Stop,         // wide push button in the warning colour
    Switch,       // radio button used as an on/off switch
    WindowButton, // title strip button with a line glyph
    Scope,        // oscilloscope
    Led,          // display-only LED (a disabled radio button)
};

struct Panel {
    QRect rect;
    QString title; // may be empty
};

struct Label {
    QPoint at; // top-left of the text
    QString text;
};

struct Rule {
    QPoint from;
    int length = 0;
    bool vertical = false;
};

struct Control {
    QString section; // skin section name without brackets: "ERadio1"
    Style style = Style::Text;
    QRect rect;
    QString caption;
    QString glyph;          // window buttons: options, help, about, minimize, exit
    bool vertical = false;  // sliders
    bool onList = false;    // drawn on the list's current line instead of the window
    int maxItems = -1;      // lists
    int maximumLength = 64; // text labels
    QString sample;         // text shown by the previews only
};

struct Layout {
    QString name; // "Default": names the skin file and its picture folder
    QSize size;
    QString title;
    int titleHeight = 40;
    std::vector<Panel> panels;
    std::vector<Label> labels;
    std::vector<Rule> rules;
    std::vector<Control> controls;

    // Reads the layout source; false with error set on the first problem (file and line).
    bool Load(const QString& path, QString& error);
    const Control* Find(const QString& section) const;
};

} // namespace skinart
