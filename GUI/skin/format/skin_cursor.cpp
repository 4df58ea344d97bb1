#include "skin/format/skin_cursor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "skin/format/skin_bytes.h"
#include "sound/riff.h"

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool Refuse(std::string* why, const char* reason) {
    if (why != nullptr)
        *why = reason;
    return false;
}

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

std::uint64_t RowStride(int width, int bits) {
    return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
}

} // namespace

bool ParseSkinCursorDirectory(const std::uint8_t* data, std::size_t size, SkinCursorEntry& entry,
                              std::string* why) {
    if (data == nullptr || size < kSkinIconDirBytes + kSkinIconEntryBytes)
        return Refuse(why, "shorter than a cursor directory");
    const std::uint16_t reserved = ReadLe16(data);
    const std::uint16_t type = ReadLe16(data + 2);
    const std::uint16_t count = ReadLe16(data + 4);
    if (reserved != 0 || (type != 1 && type != 2))
        return Refuse(why, "not a cursor directory");
    if (count == 0)
        return Refuse(why, "cursor directory without images");
    if (kSkinIconDirBytes + kSkinIconEntryBytes * std::size_t{count} > size)
        return Refuse(why, "cursor directory larger than the file");
    const std::uint8_t* e = data + kSkinIconDirBytes;
    SkinCursorEntry result;
    result.isIcon = type == 1;
    result.width = e[0] != 0 ? e[0] : 256;
    result.height = e[1] != 0 ? e[1] : 256;
    result.size = ReadLe32(e + 8);
    result.offset = ReadLe32(e + 12);
    if (result.size == 0 || result.offset > size || result.size > size - result.offset)
        return Refuse(why, "cursor image outside the file");
    if (result.isIcon) {
        result.hotX = static_cast<std::uint16_t>(result.width / 2);
        result.hotY = static_cast<std::uint16_t>(result.height / 2);
    } else {
        result.hotX = ReadLe16(e + 4);
        result.hotY = ReadLe16(e + 6);
    }
    entry = result;
    return true;
}

bool CheckSkinCursorImage(const std::uint8_t* data, std::size_t size, SkinCursorImageInfo& out,
                          std::string* why) {
    SkinCursorImageInfo info;
    if (data == nullptr || size < 8)
        return Refuse(why, "cursor image truncated");
    if (std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0) {
        // Signature, then the IHDR chunk: length, "IHDR", width and height (big-endian).
        if (size < 33 || std::memcmp(data + 12, "IHDR", 4) != 0)
            return Refuse(why, "PNG cursor image without its header");
        const std::uint32_t width = ReadBe32(data + 16);
        const std::uint32_t height = ReadBe32(data + 20);
        if (width == 0 || height == 0 || width > kSkinCursorMaxSide || height > kSkinCursorMaxSide)
            return Refuse(why, "PNG cursor image size out of range");
        info.png = true;
        info.width = static_cast<int>(width);
        info.height = static_cast<int>(height);
        info.bitCount = 32;
        out = info;
        return true;
    }
    if (size < 40)
        return Refuse(why, "cursor image header truncated");
    info.infoSize = ReadLe32(data);
    if (info.infoSize < 40 || info.infoSize > size)
        return Refuse(why, "cursor image header size out of range");
    const std::int32_t width = static_cast<std::int32_t>(ReadLe32(data + 4));
    const std::int32_t doubledHeight = static_cast<std::int32_t>(ReadLe32(data + 8));
    info.bitCount = ReadLe16(data + 14);
    const std::uint32_t compression = ReadLe32(data + 16);
    const std::uint32_t colorsUsed = ReadLe32(data + 32);
    if (width <= 0 || width > kSkinCursorMaxSide || doubledHeight < 2 ||
        doubledHeight / 2 > kSkinCursorMaxSide)
        return Refuse(why, "cursor image size out of range");
    info.width = width;
    info.height = doubledHeight / 2;
    const std::uint16_t bits = info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Refuse(why, "cursor image bit count not supported");
    if (compression != 0)
        return Refuse(why, "compressed cursor image");
    if (bits <= 8) {
        if (colorsUsed > (1u << bits))
            return Refuse(why, "cursor colour table larger than the bit count allows");
        info.colorEntries = colorsUsed != 0 ? colorsUsed : 1u << bits;
    } else {
        if (colorsUsed > 256)
            return Refuse(why, "cursor colour table too large");
        info.colorEntries = colorsUsed;
    }
    const std::uint64_t pictureStart = std::uint64_t{info.infoSize} + info.colorEntries * 4ull;
    const std::uint64_t xorBytes = RowStride(info.width, bits) * info.height;
    const std::uint64_t andBytes = RowStride(info.width, 1) * info.height;
    if (pictureStart + xorBytes > size)
        return Refuse(why, "cursor picture truncated");
    info.hasMask = pictureStart + xorBytes + andBytes <= size;
    if (!info.hasMask && bits != 32)
        return Refuse(why, "cursor mask truncated");
    out = info;
    return true;
}

bool DecodeSkinCursorDib(const std::uint8_t* data, std::size_t size, SkinArgbImage& out,
                         std::string* why) {
    SkinCursorImageInfo info;
    if (!CheckSkinCursorImage(data, size, info, why))
        return false;
    if (info.png)
        return Refuse(why, "PNG cursor image is not a DIB");
    const int w = info.width;
    const int h = info.height;
    const int bits = info.bitCount;
    const std::uint8_t* table = data + info.infoSize;
    const std::uint8_t* xorBits = table + info.colorEntries * 4;
    const std::uint64_t xorStride = RowStride(w, bits);
    const std::uint8_t* andBits = xorBits + xorStride * h;
    const std::uint64_t andStride = RowStride(w, 1);

    bool useAlpha = false;
    if (bits == 32) {
        for (int y = 0; y < h && !useAlpha; ++y)
            for (int x = 0; x < w && !useAlpha; ++x)
                useAlpha = xorBits[xorStride * y + 4 * x + 3] != 0;
    }
    SkinArgbImage image;
    image.width = w;
    image.height = h;
    image.pixels.assign(static_cast<std::size_t>(w) * h, 0);
    for (int row = 0; row < h; ++row) {
        const std::uint8_t* src = xorBits + xorStride * row; // bottom-up rows
        const std::uint8_t* mask = andBits + andStride * row;
        std::uint32_t* dst = image.pixels.data() + static_cast<std::size_t>(h - 1 - row) * w;
        for (int x = 0; x < w; ++x) {
            std::uint32_t rgb = 0;
            std::uint32_t alpha = 0xFF;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = (perByte - 1 - x % perByte) * bits;
                const std::uint32_t index = (src[x / perByte] >> shift) & ((1u << bits) - 1);
                if (index < info.colorEntries) {
                    const std::uint8_t* c = table + 4 * index;
                    rgb = static_cast<std::uint32_t>(c[2]) << 16 | c[1] << 8 | c[0];
                }
            } else if (bits == 24) {
                const std::uint8_t* p = src + 3 * x;
                rgb = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
            } else {
                const std::uint8_t* p = src + 4 * x;
                rgb = static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
                if (useAlpha)
                    alpha = p[3];
            }
            if (!useAlpha && info.hasMask && ((mask[x / 8] >> (7 - x % 8)) & 1) != 0)
                alpha = 0;
            dst[x] = alpha == 0 ? 0 : alpha << 24 | rgb;
        }
    }
    out = std::move(image);
    return true;
}

std::vector<std::uint8_t> MakeSkinCursorFile(const std::uint8_t* image, std::size_t size,
                                             const SkinCursorImageInfo& info, std::uint16_t hotX,
                                             std::uint16_t hotY) {
    std::vector<std::uint8_t> file(kSkinIconDirBytes + kSkinIconEntryBytes + size);
    std::uint8_t* p = file.data();
    WriteLe16(p, 0);
    WriteLe16(p + 2, 2);
    WriteLe16(p + 4, 1);
    std::uint8_t* e = p + kSkinIconDirBytes;
    e[0] = static_cast<std::uint8_t>(info.width >= 256 ? 0 : info.width);
    e[1] = static_cast<std::uint8_t>(info.height >= 256 ? 0 : info.height);
    e[2] =
        static_cast<std::uint8_t>(info.bitCount <= 8 && !info.png ? info.colorEntries & 0xFF : 0);
    e[3] = 0;
    WriteLe16(e + 4, hotX);
    WriteLe16(e + 6, hotY);
    WriteLe32(e + 8, static_cast<std::uint32_t>(size));
    WriteLe32(e + 12, static_cast<std::uint32_t>(kSkinIconDirBytes + kSkinIconEntryBytes));
    if (size > 0)
        std::memcpy(e + kSkinIconEntryBytes, image, size);
    return file;
}

bool ParseSkinAniFile(const std::string& path, SkinAniInfo& out, int& error, std::string* why) {
    RiffFile file;
    error = file.Open(path);
    if (error != 0)
        return Refuse(why, "cannot be read");
    auto refuse = [&](const char* reason) {
        if (error == 0)
            error = EINVAL;
        return Refuse(why, reason);
    };
    const std::optional<RiffChunk> riff = file.FindChunk(0, file.Size(), "RIFF", "ACON", error);
    if (!riff)
        return refuse("not a RIFF \"ACON\" file");
    const std::uint64_t begin = riff->contentOffset + 4;
    const std::uint64_t end = riff->contentOffset + riff->availableSize;

    SkinAniInfo info;
    const std::optional<RiffChunk> header = file.FindChunk(begin, end, "anih", nullptr, error);
    if (error != 0)
        return refuse("cannot be read");
    if (!header || header->availableSize < kSkinAniHeaderBytes)
        return refuse("no animated cursor header");
    std::uint8_t anih[kSkinAniHeaderBytes];
    error = file.ReadAt(header->contentOffset, anih, sizeof anih);
    if (error != 0)
        return refuse("cannot be read");
    info.steps = ReadLe32(anih + 8);
    info.displayRate = ReadLe32(anih + 28);

    const std::optional<RiffChunk> list = file.FindChunk(begin, end, "LIST", "fram", error);
    if (error != 0)
        return refuse("cannot be read");
    if (!list)
        return refuse("no frame list");
    std::uint64_t at = list->contentOffset + 4;
    const std::uint64_t listEnd = list->contentOffset + list->availableSize;
    while (info.frames.size() < kSkinAniMaxFrames) {
        const std::optional<RiffChunk> icon = file.FindChunk(at, listEnd, "icon", nullptr, error);
        if (error != 0)
            return refuse("cannot be read");
        if (!icon || icon->availableSize < icon->declaredSize)
            break; // no further frame, or a frame cut off by the end of the list or file
        info.frames.push_back(SkinAniFrame{icon->contentOffset, icon->declaredSize});
        at = icon->End();
    }
    if (info.frames.empty())
        return refuse("no complete frame");

    // Optional timing: up to one entry per step, never more than the chunk holds.
    const std::uint32_t steps =
        info.steps != 0 ? info.steps : static_cast<std::uint32_t>(info.frames.size());
    auto readTable = [&](const char* id, std::vector<std::uint32_t>& values) -> bool {
        const std::optional<RiffChunk> chunk = file.FindChunk(begin, end, id, nullptr, error);
        if (error != 0)
            return false;
        if (!chunk)
            return true;
        const std::uint64_t n = std::min<std::uint64_t>(steps, chunk->availableSize / 4);
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(n) * 4);
        error = file.ReadAt(chunk->contentOffset, raw.data(), raw.size());
        if (error != 0)
            return false;
        values.resize(static_cast<std::size_t>(n));
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = ReadLe32(raw.data() + 4 * i);
        return true;
    };
    if (!readTable("rate", info.rates) || !readTable("seq ", info.sequence))
        return refuse("cannot be read");
    for (std::uint32_t frame : info.sequence) {
        if (frame >= info.frames.size()) {
            info.sequence.clear();
            break;
        }
    }
    out = std::move(info);
    error = 0;
    return true;
}

bool ParseSkinCursorBytes(const std::uint8_t* data, std::size_t size, SkinCursorData& out,
                          std::string* why) {
    SkinCursorEntry entry;
    if (!ParseSkinCursorDirectory(data, size, entry, why))
        return false;
    const std::uint8_t* image = data + entry.offset;
    SkinCursorImageInfo info;
    if (!CheckSkinCursorImage(image, entry.size, info, why))
        return false;
    SkinCursorData result;
    result.image = info;
    result.imageBytes.assign(image, image + entry.size);
    // An icon's hot spot is the centre of the picture it really holds.
    const int hotX = entry.isIcon ? info.width / 2 : entry.hotX;
    const int hotY = entry.isIcon ? info.height / 2 : entry.hotY;
    result.hotX = static_cast<std::uint16_t>(std::min(hotX, info.width - 1));
    result.hotY = static_cast<std::uint16_t>(std::min(hotY, info.height - 1));
    result.curFile = MakeSkinCursorFile(image, entry.size, info, result.hotX, result.hotY);
    out = std::move(result);
    return true;
}

bool LoadSkinCursorFile(const std::string& path, SkinCursorData& out, int& error,
                        std::string* why) {
    std::vector<std::uint8_t> bytes;
    error = ReadSkinFileBytes(path, kMaxSkinCursorBytes, bytes);
    if (error != 0)
        return Refuse(why, "cannot be read");
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0) {
        SkinAniInfo ani;
        if (!ParseSkinAniFile(path, ani, error, why))
            return false;
        const SkinAniFrame& first = ani.frames.front();
        // The file may have changed since it was read: the frame must lie in the bytes read.
        if (first.offset > bytes.size() || first.size > bytes.size() - first.offset) {
            error = EINVAL;
            return Refuse(why, "frame outside the file");
        }
        SkinCursorData data;
        if (!ParseSkinCursorBytes(bytes.data() + first.offset, first.size, data, why)) {
            error = EINVAL;
            return false;
        }
        data.animated = true;
        data.frames = static_cast<std::uint32_t>(ani.frames.size());
        data.displayRate = ani.displayRate;
        out = std::move(data);
        return true;
    }
    if (!ParseSkinCursorBytes(bytes.data(), bytes.size(), out, why)) {
        error = EINVAL;
        return false;
    }
    return true;
}
