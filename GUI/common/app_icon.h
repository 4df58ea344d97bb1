// The program's logo, drawn in code from the panel's palette: a microphone in the accent colour on
// a raised face, its sound leaving it in the signal colour. The icon holds it at every size a
// window manager or tray asks for.
#pragma once

#include <QIcon>
#include <QPixmap>

// GUI thread.
QPixmap AppLogo(int side);
// GUI thread.
QIcon AppIcon();
