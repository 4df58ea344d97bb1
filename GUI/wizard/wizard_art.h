// The setup wizard's header banner, drawn in the panel's palette: a dark band with a faint signal
// trace. Its logo is the program's (common/app_icon.h).
#pragma once

#include <QPixmap>
#include <QSize>

// GUI thread.
QPixmap WizardBanner(const QSize& size);
