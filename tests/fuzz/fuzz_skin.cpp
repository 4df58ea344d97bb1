// The portable part of the skin files (GUI/skin/format) from any bytes: the skin text grammar
// and its value forms, region data, the BMP check, .cur directories and their pictures, and
// .ani files through the RIFF reader. Nothing crashes, and whatever is accepted lies inside the
// bytes it came from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "skin/format/skin_bmp.h"
#include "skin/format/skin_cursor.h"
#include "skin/format/skin_grammar.h"
#include "skin/format/skin_region.h"
#include "skin/format/skin_values.h"

namespace {

// One file per fuzzing process, rewritten for every input (the .ani reader reads files).
const std::string& InputPath() {
    static const std::string path = "/tmp/voxwarp-fuzz-skin-" + std::to_string(getpid()) + ".ani";
    return path;
}

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

// Every value form applied to one attribute value.
void ParseValue(std::string_view value) {
    (void)SkinParseInt(value);
    int quad[4] = {};
    if (SkinParseQuad(value, quad))
        Check(value.find_first_of("0123456789") != std::string_view::npos);
    SkinColor color;
    (void)SkinParseColor(value, color);
    SkinFont font;
    if (SkinParseFont(value, font))
        Check(!font.face.empty() && font.face.size() <= kSkinFontFaceBytes);
    (void)SkinIsString(value);
    const std::string path = SkinResolvePath("/skins/en/", value);
    Check(!path.empty());
    Check(path.find("//") == std::string::npos);
}

void FuzzText(const std::uint8_t* data, std::size_t size) {
    SkinText text(std::string(reinterpret_cast<const char*>(data), size));
    (void)text.IdentificationValue();
    std::size_t attributes = 0;
    for (const char* name : {"[Velmar]", "[ERadio1]", "[", "[Osci]"}) {
        if (!text.FindSection(name))
            continue;
        while (text.NextAttribute()) {
            Check(text.Key().size() + text.Value().size() <= size);
            ParseValue(text.Value());
            Check(++attributes <= size);
        }
        Check(!text.NextAttribute());
    }
}

void FuzzBinary(const std::uint8_t* data, std::size_t size) {
    std::vector<SkinRect> rects;
    if (ParseSkinRegion(data, size, rects))
        Check(kSkinRegionHeaderBytes + kSkinRegionRectBytes * rects.size() <= size);

    SkinBmpInfo bmp;
    if (CheckSkinBmp(data, size, bmp)) {
        Check(bmp.pixelOffset + bmp.pixelBytes <= size);
        Check(static_cast<std::uint64_t>(bmp.width) * bmp.height * 4 <= kSkinBmpMaxDecodedBytes);
        Check(NormalizedSkinBmp(data, size, bmp).size() == size);
    }

    SkinCursorData cursor;
    if (ParseSkinCursorBytes(data, size, cursor)) {
        Check(cursor.imageBytes.size() <= size);
        Check(cursor.hotX < cursor.image.width && cursor.hotY < cursor.image.height);
        SkinArgbImage picture;
        if (DecodeSkinCursorDib(cursor.imageBytes.data(), cursor.imageBytes.size(), picture))
            Check(picture.pixels.size() == static_cast<std::size_t>(picture.width) *
                                               static_cast<std::size_t>(picture.height));
    }
}

void FuzzAni(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr)
        return;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return;
    SkinAniInfo ani;
    int error = 0;
    if (ParseSkinAniFile(InputPath(), ani, error)) {
        Check(!ani.frames.empty() && ani.frames.size() <= kSkinAniMaxFrames);
        for (const SkinAniFrame& frame : ani.frames)
            Check(frame.offset <= size && frame.size <= size - frame.offset);
        for (std::uint32_t step : ani.sequence)
            Check(step < ani.frames.size());
        Check(ani.rates.size() * 4 <= size && ani.sequence.size() * 4 <= size);
    }
    SkinCursorData cursor;
    if (LoadSkinCursorFile(InputPath(), cursor, error))
        Check(cursor.imageBytes.size() <= size &&
              cursor.curFile.size() == cursor.imageBytes.size() + 22);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzText(data, size);
    FuzzBinary(data, size);
    FuzzAni(data, size);
    return 0;
}
