// Pictures for people to look at: the editor composed from the artwork with sample values the
// way the editor draws itself at run time (pictures over the background, texts from the font
// strips), with its menu open, and with the information card shown.
#pragma once

#include "spectro_artwork.h"

#include <QImage>

namespace spectroart {

enum class Mockup { Editor, MenuOpen, Splash };

QImage EditorMockup(const Artwork& art, Mockup kind);

// The font's strip as a grey picture, with each cell's first column marked below it.
QImage FontPicture(const FontStrip& font);

} // namespace spectroart
