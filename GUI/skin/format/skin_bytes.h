// Reading a whole skin file (the skin text, a bitmap, a region or a cursor file) into memory,
// refusing anything that is not a regular file or is larger than the caller's limit, so that no
// size field inside a file can make us read or allocate more than the file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Upper bounds of the files a skin uses; real skins are far below them.
inline constexpr std::size_t kMaxSkinTextBytes = 16u << 20;
inline constexpr std::size_t kMaxSkinBitmapBytes = 64u << 20;
inline constexpr std::size_t kMaxSkinRegionBytes = 16u << 20;
inline constexpr std::size_t kMaxSkinCursorBytes = 16u << 20;

// Reads the whole regular file at path (no more than maxBytes). Returns 0, or an errno value:
// ENOENT and the like from the system, EISDIR or EINVAL for something that is not a regular
// file, EFBIG for a file larger than maxBytes. out is cleared on failure.
int ReadSkinFileBytes(const std::string& path, std::size_t maxBytes,
                      std::vector<std::uint8_t>& out);
