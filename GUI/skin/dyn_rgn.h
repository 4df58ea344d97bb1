// CDynRgn: one region loaded from a skin region file (a 32-byte header, then rectangles),
// scaled by x and y factors. "void" or an empty name clears it.
#pragma once

#include <QRegion>
#include <QString>

class CDynRgn {
public:
    // Loads the region file; false (and the region keeps what it had) when the file cannot be
    // read or its counts do not fit the file.
    bool Load(const QString& path, double xScale = 1.0, double yScale = 1.0);
    void Clear() { region_ = QRegion(); }
    bool IsEmpty() const { return region_.isEmpty(); }
    const QRegion& Region() const { return region_; }

private:
    QRegion region_;
};
