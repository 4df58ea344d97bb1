#include "skin/format/skin_region.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include "skin/format/skin_bytes.h"
#include "sound/riff.h"

namespace {

std::int32_t ReadInt32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(ReadLe32(p));
}

bool Refuse(std::vector<SkinRect>& rects, std::string* why, const char* reason) {
    rects.clear();
    if (why != nullptr)
        *why = reason;
    return false;
}

bool InRange(std::int32_t v) {
    return v >= -kSkinRegionMaxCoordinate && v <= kSkinRegionMaxCoordinate;
}

} // namespace

bool ParseSkinRegion(const std::uint8_t* data, std::size_t size, std::vector<SkinRect>& rects,
                     std::string* why) {
    rects.clear();
    if (data == nullptr || size < kSkinRegionHeaderBytes)
        return Refuse(rects, why, "shorter than the region header");
    if (ReadLe32(data) != kSkinRegionHeaderBytes)
        return Refuse(rects, why, "header size is not 32");
    if (ReadLe32(data + 4) != 1)
        return Refuse(rects, why, "type is not 1 (rectangles)");
    const std::uint32_t count = ReadLe32(data + 8);
    if (count > (size - kSkinRegionHeaderBytes) / kSkinRegionRectBytes)
        return Refuse(rects, why, "rectangle count larger than the file");
    rects.reserve(count); // bounded by the bytes checked above
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data + kSkinRegionHeaderBytes + kSkinRegionRectBytes * i;
        SkinRect rect{ReadInt32(p), ReadInt32(p + 4), ReadInt32(p + 8), ReadInt32(p + 12)};
        if (!InRange(rect.left) || !InRange(rect.top) || !InRange(rect.right) ||
            !InRange(rect.bottom))
            return Refuse(rects, why, "rectangle coordinate out of range");
        if (rect.right < rect.left || rect.bottom < rect.top)
            return Refuse(rects, why, "rectangle with its corners swapped");
        rects.push_back(rect);
    }
    return true;
}

bool LoadSkinRegionFile(const std::string& path, std::vector<SkinRect>& rects, int& error,
                        std::string* why) {
    rects.clear();
    std::vector<std::uint8_t> bytes;
    error = ReadSkinFileBytes(path, kMaxSkinRegionBytes, bytes);
    if (error != 0) {
        if (why != nullptr)
            *why = "cannot be read";
        return false;
    }
    if (!ParseSkinRegion(bytes.data(), bytes.size(), rects, why)) {
        error = EINVAL;
        return false;
    }
    return true;
}

std::vector<std::uint8_t> MakeSkinRegionData(const std::vector<SkinRect>& rects) {
    std::vector<std::uint8_t> data(kSkinRegionHeaderBytes + kSkinRegionRectBytes * rects.size());
    std::int32_t bound[4] = {0, 0, 0, 0};
    if (!rects.empty()) {
        bound[0] = bound[1] = INT_MAX;
        bound[2] = bound[3] = INT_MIN;
        for (const SkinRect& r : rects) {
            bound[0] = std::min(bound[0], r.left);
            bound[1] = std::min(bound[1], r.top);
            bound[2] = std::max(bound[2], r.right);
            bound[3] = std::max(bound[3], r.bottom);
        }
    }
    WriteLe32(data.data(), kSkinRegionHeaderBytes);
    WriteLe32(data.data() + 4, 1);
    WriteLe32(data.data() + 8, static_cast<std::uint32_t>(rects.size()));
    WriteLe32(data.data() + 12, static_cast<std::uint32_t>(kSkinRegionRectBytes * rects.size()));
    for (int i = 0; i < 4; ++i)
        WriteLe32(data.data() + 16 + 4 * i, static_cast<std::uint32_t>(bound[i]));
    for (std::size_t i = 0; i < rects.size(); ++i) {
        std::uint8_t* p = data.data() + kSkinRegionHeaderBytes + kSkinRegionRectBytes * i;
        WriteLe32(p, static_cast<std::uint32_t>(rects[i].left));
        WriteLe32(p + 4, static_cast<std::uint32_t>(rects[i].top));
        WriteLe32(p + 8, static_cast<std::uint32_t>(rects[i].right));
        WriteLe32(p + 12, static_cast<std::uint32_t>(rects[i].bottom));
    }
    return data;
}
