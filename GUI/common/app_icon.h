// The program's icon, drawn in code from the panel's palette: a dark rounded square with a green
// voice trace and an accent dot, sharp at every size a window manager or tray asks for.
#pragma once

#include <QIcon>

// GUI thread.
QIcon AppIcon();
