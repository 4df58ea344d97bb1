#include "skin/dyn_rgn.h"

#include "skin/skin_file_loaders.h"

bool CDynRgn::Load(const QString& path, double xScale, double yScale) {
    if (path.isEmpty() || path == QLatin1String("void")) {
        Clear();
        return true;
    }
    return LoadSkinRegion(path, xScale, yScale, region_);
}
