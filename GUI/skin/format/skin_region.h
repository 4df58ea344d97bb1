// Region files: the raw region data as Windows returns it for a
// region. A 32-byte header of little-endian 32-bit numbers (header size 32, type 1 =
// rectangles, rectangle count n, data size, bounding rectangle left, top, right, bottom), then
// n rectangles of four 32-bit numbers (left, top, right, bottom; right and bottom exclusive).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kSkinRegionHeaderBytes = 32;
inline constexpr std::size_t kSkinRegionRectBytes = 16;
// Coordinates beyond this magnitude are not a window outline but a broken or hostile file.
inline constexpr std::int32_t kSkinRegionMaxCoordinate = 1 << 20;

struct SkinRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;  // exclusive
    std::int32_t bottom = 0; // exclusive
    bool operator==(const SkinRect&) const = default;
};

// Parses region data. Refuses (false, rects cleared, why set when given): fewer than 32 bytes,
// a header size other than 32, a type other than 1, a count whose rectangles do not fit the
// bytes, a rectangle with right < left or bottom < top or a coordinate beyond
// kSkinRegionMaxCoordinate. Bytes behind the last rectangle are ignored; the data size and
// bounding rectangle fields are not used. Zero rectangles is a valid, empty region.
bool ParseSkinRegion(const std::uint8_t* data, std::size_t size, std::vector<SkinRect>& rects,
                     std::string* why = nullptr);

// Reads and parses a region file (at most kMaxSkinRegionBytes). error receives 0, the errno
// value of a failed read, or EINVAL for data ParseSkinRegion refuses.
bool LoadSkinRegionFile(const std::string& path, std::vector<SkinRect>& rects, int& error,
                        std::string* why = nullptr);

// The bytes of a region file holding rects (for tests, and for writing regions).
std::vector<std::uint8_t> MakeSkinRegionData(const std::vector<SkinRect>& rects);
