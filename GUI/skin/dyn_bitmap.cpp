#include "skin/dyn_bitmap.h"

#include "skin/skin_file_loaders.h"

bool CDynBitmap::Load(const QString& path) {
    return LoadSkinBitmap(path, image_);
}
