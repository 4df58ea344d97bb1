// Theme: the colours, shapes and type every picture of the skins is drawn with, read from the
// shared theme file (data/art/theme.ini).
#pragma once

#include "text_source.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace skinart {

struct Theme {
    QColor window, windowBorder, panel, panelBorder, well, wellBorder;
    QColor faceUp, faceOver, faceDown, faceBorder;
    QColor accent, onAccent, signal, signalBackground, ledOff, warning;
    QColor text, textSecondary, textDisabled, listCurrent;

    int windowRadius = 12, panelRadius = 8, controlRadius = 5, smallRadius = 4;
    double faceGradient = 3, highlight = 7, glyphWidth = 1.5, glow = 35;

    QString face;
    int captionPx = 12, labelPx = 12, smallPx = 11, titlePx = 11, namePx = 16, numberPx = 15;
    double titleSpacing = 1.5;

    // Reads every value; false with error set when one is missing or malformed.
    bool Load(const QString& path, QString& error);

    // A font of the theme's face at a pixel height.
    QFont Font(int pixelHeight, bool bold = false) const;
    // The same font as a skin file value: "DejaVu Sans,-12" or "DejaVu Sans,-12,bold".
    QString SkinFont(int pixelHeight, bool bold = false) const;
};

// "r,g,b" as the skin file writes colours.
QString SkinColor(const QColor& c);
// a mixed towards b by t (0 = a, 1 = b), opaque.
QColor Mix(const QColor& a, const QColor& b, double t);

} // namespace skinart
