// The value forms of skin attributes: integers, number lists (colour, pair, quad),
// fonts, strings and file names. Pure functions over the value text; nothing here allocates
// more than the text's own size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// An integer read like the C library's atoi: leading white space, an optional sign, then
// decimal digits up to the first character that is not one. No digits gives 0; a number beyond
// the 32-bit range gives the nearest limit (as atoi does on Windows).
int SkinParseInt(std::string_view text);
// Whether the text begins (after white space and an optional sign) with a digit: the form the
// integer and flag getters accept.
bool SkinIsNumber(std::string_view text);

// Splits a number list at commas (a run of commas counts as one separator; a list that begins
// with a comma yields 0 for its first number) and reads each piece as an integer into out[0..
// count): missing numbers stay 0, surplus pieces are ignored. Returns false (out untouched)
// when no piece holds a number at all ("red", binary garbage): the value is not a number list.
bool SkinParseNumbers(std::string_view text, int* out, std::size_t count);

// A colour: red, green, blue, each cut to 8 bits (-1 gives 255, 256 gives 0).
struct SkinColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    // A skin colour value: red in the low byte, then green, then blue.
    std::uint32_t Value() const {
        return red | static_cast<std::uint32_t>(green) << 8 |
               static_cast<std::uint32_t>(blue) << 16;
    }
};
bool SkinParseColor(std::string_view text, SkinColor& out);
// Two numbers: (x, y) or (width, height).
bool SkinParsePair(std::string_view text, int& first, int& second);
// Four numbers: two points (x1, y1), (x2, y2).
bool SkinParseQuad(std::string_view text, int (&out)[4]);

// A font: "face,height,weight word,style word,style word", split at every comma into at most
// five pieces taken exactly as written (no trimming: "Arial, -12, bold" has the weight word
// " bold", which is not "bold").
inline constexpr std::size_t kSkinFontFaceBytes = 31;
inline constexpr int kSkinFontWeightNormal = 400;
inline constexpr int kSkinFontWeightBold = 700;
struct SkinFont {
    std::string face; // at most kSkinFontFaceBytes bytes (cut at a character boundary)
    int height = 0;   // logical height: negative = character height in pixels, positive = cell
    int weight = kSkinFontWeightNormal;
    bool italic = false;
    bool underline = false;
};
// False (out untouched) without a face, with control characters in the face, or without the
// height piece.
bool SkinParseFont(std::string_view text, SkinFont& out);

// A string value: the text as written. False for text holding control characters other than
// the tab (binary garbage), which no caption or label can show.
bool SkinIsString(std::string_view text);

// Whether a region value names no region: "void" or empty.
bool SkinIsVoidName(std::string_view text);

// The folder of a file path, ending in '/' (empty for a bare name). Backslashes count as
// folder separators.
std::string SkinFolderOf(std::string_view path);
// A file name of a skin value resolved against the skin's folder (ending in '/'): backslashes
// become '/', "." and ".." pieces are folded, and a name starting with a separator is taken
// as it is. ".\skins\en\x.bmp" in "/opt/vx/" gives "/opt/vx/skins/en/x.bmp".
std::string SkinResolvePath(std::string_view folder, std::string_view name);
