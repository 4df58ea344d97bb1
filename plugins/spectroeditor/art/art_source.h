// The artwork as C++ source defining spectro_art.h's pictures, fonts and palette: compact
// (eight pixel words or sixteen coverage bytes a line) and the same bytes for the same artwork.
#pragma once

#include "spectro_artwork.h"

#include <QByteArray>

namespace spectroart {

QByteArray ArtSource(const Artwork& art);

} // namespace spectroart
