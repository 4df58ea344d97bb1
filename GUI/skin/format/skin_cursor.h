// Cursor files of a skin: ".cur" (an icon directory of type 2 whose entries carry
// the hot spot) and ".ani" (RIFF form "ACON": an "anih" header, a LIST "fram" of "icon" chunks
// each holding a whole .cur or .ico file, optional "rate" and "seq " chunks). The skin uses
// the first image of the first frame. Every offset and size read from a file is checked
// against the bytes the file holds; nothing is allocated beyond them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kSkinIconDirBytes = 6;
inline constexpr std::size_t kSkinIconEntryBytes = 16;
// Cursor pictures are at most 256 pixels wide and high (a directory entry's 0 means 256).
inline constexpr int kSkinCursorMaxSide = 256;
inline constexpr std::size_t kSkinAniMaxFrames = 4096;
inline constexpr std::size_t kSkinAniHeaderBytes = 36;

// The first image of a .cur file (or of an .ico file, whose hot spot is the picture's centre).
struct SkinCursorEntry {
    bool isIcon = false; // directory type 1
    int width = 0;       // from the directory entry, 0 read as 256
    int height = 0;
    std::uint16_t hotX = 0;
    std::uint16_t hotY = 0;
    std::uint32_t offset = 0; // the image's bytes in the file
    std::uint32_t size = 0;
};
// Reads the directory (reserved 0, type 2, or 1 for an icon; count >= 1; every entry inside
// the data) and the first entry, whose image must lie inside the data.
bool ParseSkinCursorDirectory(const std::uint8_t* data, std::size_t size, SkinCursorEntry& entry,
                              std::string* why = nullptr);

// What a cursor image holds: a device-independent bitmap (information header with the doubled
// height, colour table, XOR picture, AND mask) or a PNG stream.
struct SkinCursorImageInfo {
    bool png = false;
    int width = 0;
    int height = 0; // the picture's height (half the information header's)
    std::uint16_t bitCount = 0;
    std::uint32_t infoSize = 0;
    std::uint32_t colorEntries = 0;
    bool hasMask = true; // a 32-bit picture may come without its AND mask
};
// Checks an image's header against its bytes: PNG with a plausible IHDR, or a DIB of 1, 4, 8,
// 24 or 32 bits without compression whose colour table and pictures fit the bytes. Both sides
// at most kSkinCursorMaxSide.
bool CheckSkinCursorImage(const std::uint8_t* data, std::size_t size, SkinCursorImageInfo& info,
                          std::string* why = nullptr);

// A decoded picture: 0xAARRGGBB pixels (not premultiplied), the top row first.
struct SkinArgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};
// Decodes a DIB cursor image: the XOR picture's colours, transparent where the AND mask is set
// (a 32-bit picture with any non-zero alpha uses its alpha instead). False for PNG images and
// for whatever CheckSkinCursorImage refuses.
bool DecodeSkinCursorDib(const std::uint8_t* data, std::size_t size, SkinArgbImage& out,
                         std::string* why = nullptr);

// A .cur file holding one image (the directory entry written from info and the hot spot).
std::vector<std::uint8_t> MakeSkinCursorFile(const std::uint8_t* image, std::size_t size,
                                             const SkinCursorImageInfo& info, std::uint16_t hotX,
                                             std::uint16_t hotY);

// An animated cursor's frames and timing.
struct SkinAniFrame {
    std::uint64_t offset = 0; // the frame's .cur/.ico bytes in the file
    std::uint32_t size = 0;
};
struct SkinAniInfo {
    std::vector<SkinAniFrame> frames;    // at most kSkinAniMaxFrames
    std::uint32_t steps = 0;             // the header's step count
    std::uint32_t displayRate = 0;       // the header's rate, in jiffies (1/60 s)
    std::vector<std::uint32_t> rates;    // per step, from "rate" (empty when absent)
    std::vector<std::uint32_t> sequence; // frame per step, from "seq " (empty when absent or
                                         // naming a frame that does not exist)
};
// Reads an .ani file with the RIFF reader. error receives 0, the errno value of a failed
// read, or EINVAL for a file that is not an animated cursor (no "ACON" form, no "anih"
// header, no complete "icon" frame).
bool ParseSkinAniFile(const std::string& path, SkinAniInfo& info, int& error,
                      std::string* why = nullptr);

// A skin cursor ready for a picture decoder: the image of the first frame and its hot spot.
struct SkinCursorData {
    SkinCursorImageInfo image; // what imageBytes holds
    std::vector<std::uint8_t> imageBytes;
    std::vector<std::uint8_t> curFile; // a one-image .cur file of imageBytes (for a CUR reader)
    std::uint16_t hotX = 0;            // inside the picture
    std::uint16_t hotY = 0;
    bool animated = false; // read from an .ani file
    std::uint32_t frames = 1;
    std::uint32_t displayRate = 0; // .ani: jiffies
};
// The first image of .cur or .ico bytes.
bool ParseSkinCursorBytes(const std::uint8_t* data, std::size_t size, SkinCursorData& out,
                          std::string* why = nullptr);
// Reads a cursor file, .cur/.ico or .ani (told apart by the content: "RIFF" starts an .ani).
// error receives 0, the errno value of a failed read, or EINVAL for content that is refused.
bool LoadSkinCursorFile(const std::string& path, SkinCursorData& out, int& error,
                        std::string* why = nullptr);
