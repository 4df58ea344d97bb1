// The bytes of the small files a skin uses, written by tests into their temporary folder:
// Windows BMP files, region data files and cursor files (.cur, .ani). Header-only, no Qt, so
// that the skin format tests and the Qt skin tests share them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

inline void PutLe16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
inline void PutLe32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void SetLe32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 0xRRGGBB of the pixel at (x, y), y = 0 the top row.
using PixelColor = std::function<std::uint32_t(int x, int y)>;

// The 14-byte file header and the 40-byte information header.
inline std::string BmpHeaders(int width, int height, int bits, std::uint32_t compression,
                              std::uint32_t colors, std::uint32_t pixelBytes) {
    const std::uint32_t offset = 14 + 40 + colors * 4;
    std::string s = "BM";
    PutLe32(s, offset + pixelBytes);
    PutLe32(s, 0);
    PutLe32(s, offset);
    PutLe32(s, 40);
    PutLe32(s, static_cast<std::uint32_t>(width));
    PutLe32(s, static_cast<std::uint32_t>(height));
    PutLe16(s, 1);
    PutLe16(s, static_cast<std::uint32_t>(bits));
    PutLe32(s, compression);
    PutLe32(s, pixelBytes);
    PutLe32(s, 2835);
    PutLe32(s, 2835);
    PutLe32(s, colors);
    PutLe32(s, 0);
    return s;
}

// A 24-bit BMP, bottom-up rows padded to 4 bytes.
inline std::string Bmp24(int width, int height, const PixelColor& color) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string s =
        BmpHeaders(width, height, 24, 0, 0, static_cast<std::uint32_t>(stride * height));
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = color(x, y);
            row += static_cast<char>(c & 0xFF);
            row += static_cast<char>((c >> 8) & 0xFF);
            row += static_cast<char>((c >> 16) & 0xFF);
        }
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}
inline std::string Bmp24(int width, int height, std::uint32_t rgb) {
    return Bmp24(width, height, [rgb](int, int) { return rgb; });
}

// An 8-bit palette BMP: palette of 0xRRGGBB entries, index(x, y) per pixel.
inline std::string Bmp8(int width, int height, const std::vector<std::uint32_t>& palette,
                        const std::function<int(int x, int y)>& index) {
    const int stride = (width + 3) / 4 * 4;
    std::string s = BmpHeaders(width, height, 8, 0, static_cast<std::uint32_t>(palette.size()),
                               static_cast<std::uint32_t>(stride * height));
    for (std::uint32_t c : palette)
        PutLe32(s, c & 0xFFFFFF);
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x)
            row += static_cast<char>(index(x, y));
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

struct RegionRect {
    std::int32_t left, top, right, bottom;
};
// Region data: the 32-byte header (size 32, type 1, count, data size, bounding rectangle),
// then the rectangles. count overrides the header's count when >= 0.
inline std::string RegionData(const std::vector<RegionRect>& rects, std::int64_t count = -1) {
    std::string s;
    PutLe32(s, 32);
    PutLe32(s, 1);
    PutLe32(s, static_cast<std::uint32_t>(count >= 0 ? count
                                                     : static_cast<std::int64_t>(rects.size())));
    PutLe32(s, static_cast<std::uint32_t>(16 * rects.size()));
    std::int32_t bound[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RegionRect& r = rects[i];
        if (i == 0 || r.left < bound[0])
            bound[0] = r.left;
        if (i == 0 || r.top < bound[1])
            bound[1] = r.top;
        if (i == 0 || r.right > bound[2])
            bound[2] = r.right;
        if (i == 0 || r.bottom > bound[3])
            bound[3] = r.bottom;
    }
    for (std::int32_t v : bound)
        PutLe32(s, static_cast<std::uint32_t>(v));
    for (const RegionRect& r : rects) {
        PutLe32(s, static_cast<std::uint32_t>(r.left));
        PutLe32(s, static_cast<std::uint32_t>(r.top));
        PutLe32(s, static_cast<std::uint32_t>(r.right));
        PutLe32(s, static_cast<std::uint32_t>(r.bottom));
    }
    return s;
}

// A cursor image: 32-bit DIB with doubled height, the colour per pixel as 0xAARRGGBB, and an
// AND mask set where the alpha is 0.
inline std::string CursorDib32(int width, int height,
                               const std::function<std::uint32_t(int, int)>& argb) {
    std::string s;
    PutLe32(s, 40);
    PutLe32(s, static_cast<std::uint32_t>(width));
    PutLe32(s, static_cast<std::uint32_t>(height * 2));
    PutLe16(s, 1);
    PutLe16(s, 32);
    for (int i = 0; i < 6; ++i)
        PutLe32(s, 0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            PutLe32(s, argb(x, y));
    const int maskStride = (width + 31) / 32 * 4;
    for (int y = height - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < width; ++x)
            if ((argb(x, y) >> 24) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        s += row;
    }
    return s;
}

// A 1-bit cursor image (black and white): white where white(x, y), transparent where
// clear(x, y), else black.
inline std::string CursorDib1(int width, int height, const std::function<bool(int, int)>& white,
                              const std::function<bool(int, int)>& clear) {
    std::string s;
    PutLe32(s, 40);
    PutLe32(s, static_cast<std::uint32_t>(width));
    PutLe32(s, static_cast<std::uint32_t>(height * 2));
    PutLe16(s, 1);
    PutLe16(s, 1);
    for (int i = 0; i < 6; ++i)
        PutLe32(s, 0);
    PutLe32(s, 0x000000);
    PutLe32(s, 0xFFFFFF);
    const int stride = (width + 31) / 32 * 4;
    for (int pass = 0; pass < 2; ++pass) {
        for (int y = height - 1; y >= 0; --y) {
            std::string row(stride, '\0');
            for (int x = 0; x < width; ++x) {
                const bool bit = pass == 0 ? white(x, y) && !clear(x, y) : clear(x, y);
                if (bit)
                    row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
            s += row;
        }
    }
    return s;
}

// A .cur file with one image.
inline std::string CurFile(const std::string& image, int width, int height, int hotX, int hotY,
                           int type = 2) {
    std::string s;
    PutLe16(s, 0);
    PutLe16(s, static_cast<std::uint32_t>(type));
    PutLe16(s, 1);
    s += static_cast<char>(width >= 256 ? 0 : width);
    s += static_cast<char>(height >= 256 ? 0 : height);
    s += '\0';
    s += '\0';
    PutLe16(s, static_cast<std::uint32_t>(hotX));
    PutLe16(s, static_cast<std::uint32_t>(hotY));
    PutLe32(s, static_cast<std::uint32_t>(image.size()));
    PutLe32(s, 22);
    return s + image;
}

inline std::string RiffChunk(const std::string& id, const std::string& content) {
    std::string s = id;
    PutLe32(s, static_cast<std::uint32_t>(content.size()));
    s += content;
    if (content.size() % 2 != 0)
        s += '\0';
    return s;
}

// An .ani file: "anih" (frames, steps, rate in jiffies, AF_ICON), LIST "fram" of "icon"
// chunks, and a "rate" chunk when rates are given.
inline std::string AniFile(const std::vector<std::string>& frames, std::uint32_t displayRate,
                           const std::vector<std::uint32_t>& rates = {}) {
    std::string anih;
    PutLe32(anih, 36);
    PutLe32(anih, static_cast<std::uint32_t>(frames.size()));
    PutLe32(anih, static_cast<std::uint32_t>(frames.size()));
    for (int i = 0; i < 4; ++i)
        PutLe32(anih, 0);
    PutLe32(anih, displayRate);
    PutLe32(anih, 1);
    std::string fram = "fram";
    for (const std::string& frame : frames)
        fram += RiffChunk("icon", frame);
    std::string body = "ACON" + RiffChunk("anih", anih) + RiffChunk("LIST", fram);
    if (!rates.empty()) {
        std::string rate;
        for (std::uint32_t r : rates)
            PutLe32(rate, r);
        body += RiffChunk("rate", rate);
    }
    return RiffChunk("RIFF", body);
}

} // namespace testsupport
