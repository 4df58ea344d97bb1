// Qt reports a painting mistake only as a warning: the art tools count those, so that such a
// mistake fails the build instead of shipping a picture with a piece missing.
#pragma once

namespace skinart {

// Installs Qt's message handler: warnings are printed (all but the off-screen platform's note
// about a missing runtime folder) and QPainter's are counted.
void CountPaintWarnings();
// How many QPainter warnings came since.
int PaintWarnings();

} // namespace skinart
