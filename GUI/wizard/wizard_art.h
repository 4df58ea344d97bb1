// The setup wizard's header pictures, drawn in the panel's palette: a dark banner with a faint
// signal trace, and a microphone on a raised face as the logo.
#pragma once

#include <QPixmap>
#include <QSize>

// GUI thread.
QPixmap WizardBanner(const QSize& size);
// GUI thread.
QPixmap WizardLogo(int side);
