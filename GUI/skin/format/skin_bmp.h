// Checking a skin bitmap (a Windows BMP file) before any decoder sees it. The file
// must start with "BM"; the rest of the 14-byte file header is not trusted: the pixels start
// after the information header, the colour table (the header's colour count, or 2 to the power
// of the bit count for images of at most 8 bits when that count is 0) and the three colour
// masks of a bit-fields image with the 40-byte header. The check refuses every file whose
// declared picture needs more pixel bytes than the file holds, so that a decoder handed the
// file never allocates for a picture the file cannot hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kSkinBmpFileHeaderBytes = 14;
// The largest width or height accepted, and the largest decoded picture (4 bytes a pixel).
inline constexpr std::int64_t kSkinBmpMaxSide = 32767;
inline constexpr std::uint64_t kSkinBmpMaxDecodedBytes = 256u << 20;
// A run-length encoded picture may cover at most this many pixels per byte of its data (a
// two-byte run draws at most 255 pixels; the margin allows for end-of-line codes and skips).
inline constexpr std::uint64_t kSkinBmpRleMaxPixelsPerByte = 256;

enum SkinBmpCompression : std::uint32_t {
    kSkinBmpRgb = 0,
    kSkinBmpRle8 = 1,
    kSkinBmpRle4 = 2,
    kSkinBmpBitFields = 3,
};

struct SkinBmpInfo {
    std::uint32_t infoSize = 0; // 12 (core header), 40, 52, 56, 64, 108 or 124
    std::int32_t width = 0;
    std::int32_t height = 0; // rows, positive
    bool topDown = false;    // the header's height was negative
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kSkinBmpRgb;
    std::uint32_t colorEntries = 0;    // entries in the colour table
    std::uint32_t colorEntryBytes = 4; // 3 with the core header
    std::uint64_t pixelOffset = 0;     // from the start of the file
    std::uint64_t pixelBytes = 0;      // uncompressed: rows × row stride; compressed: the rest
};

// True when data is a BMP the skin accepts; info describes it. False with why set otherwise.
bool CheckSkinBmp(const std::uint8_t* data, std::size_t size, SkinBmpInfo& info,
                  std::string* why = nullptr);

// The file with its 14-byte header rewritten from info: "BM", the file size and the pixel
// offset the skin format reads the pixels from, so that a decoder that trusts the header reads the
// same bytes.
std::vector<std::uint8_t> NormalizedSkinBmp(const std::uint8_t* data, std::size_t size,
                                            const SkinBmpInfo& info);
