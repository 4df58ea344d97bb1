#include "skin/format/skin_bmp.h"

#include "sound/riff.h"

namespace {

bool Refuse(std::string* why, const char* reason) {
    if (why != nullptr)
        *why = reason;
    return false;
}

} // namespace

bool CheckSkinBmp(const std::uint8_t* data, std::size_t size, SkinBmpInfo& out, std::string* why) {
    if (data == nullptr || size < kSkinBmpFileHeaderBytes + 4)
        return Refuse(why, "shorter than the BMP headers");
    if (data[0] != 'B' || data[1] != 'M')
        return Refuse(why, "does not start with \"BM\"");
    const std::uint8_t* header = data + kSkinBmpFileHeaderBytes;
    const std::uint64_t rest = size - kSkinBmpFileHeaderBytes;
    SkinBmpInfo info;
    info.infoSize = ReadLe32(header);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t colorsUsed = 0;
    if (info.infoSize == 12) {
        if (rest < 12)
            return Refuse(why, "information header truncated");
        width = ReadLe16(header + 4);
        height = ReadLe16(header + 6);
        info.bitCount = ReadLe16(header + 10);
        info.colorEntryBytes = 3;
    } else if (info.infoSize == 40 || info.infoSize == 52 || info.infoSize == 56 ||
               info.infoSize == 64 || info.infoSize == 108 || info.infoSize == 124) {
        if (rest < info.infoSize)
            return Refuse(why, "information header truncated");
        width = static_cast<std::int32_t>(ReadLe32(header + 4));
        height = static_cast<std::int32_t>(ReadLe32(header + 8));
        info.bitCount = ReadLe16(header + 14);
        info.compression = ReadLe32(header + 16);
        colorsUsed = ReadLe32(header + 32);
    } else {
        return Refuse(why, "unknown information header size");
    }
    if (height < 0) {
        info.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > kSkinBmpMaxSide || height > kSkinBmpMaxSide)
        return Refuse(why, "width or height out of range");
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 >
        kSkinBmpMaxDecodedBytes)
        return Refuse(why, "picture too large");
    info.width = static_cast<std::int32_t>(width);
    info.height = static_cast<std::int32_t>(height);

    const std::uint16_t bits = info.bitCount;
    switch (info.compression) {
    case kSkinBmpRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            return Refuse(why, "unsupported bit count");
        break;
    case kSkinBmpRle8:
    case kSkinBmpRle4:
        if (bits != (info.compression == kSkinBmpRle8 ? 8 : 4))
            return Refuse(why, "run-length encoding with the wrong bit count");
        if (info.topDown)
            return Refuse(why, "run-length encoded picture stored top-down");
        break;
    case kSkinBmpBitFields:
        if (bits != 16 && bits != 32)
            return Refuse(why, "bit fields with the wrong bit count");
        break;
    default:
        return Refuse(why, "unsupported compression");
    }

    if (bits <= 8) {
        if (colorsUsed > (1u << bits))
            return Refuse(why, "colour table larger than the bit count allows");
        info.colorEntries = colorsUsed != 0 ? colorsUsed : 1u << bits;
    } else {
        info.colorEntries = colorsUsed;
    }
    std::uint64_t offset = kSkinBmpFileHeaderBytes + std::uint64_t{info.infoSize} +
                           std::uint64_t{info.colorEntries} * info.colorEntryBytes;
    if (info.compression == kSkinBmpBitFields && info.infoSize == 40)
        offset += 12; // the three colour masks follow the 40-byte header
    if (offset > size)
        return Refuse(why, "colour table truncated");
    info.pixelOffset = offset;
    const std::uint64_t available = size - offset;

    const std::uint64_t pixels =
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (info.compression == kSkinBmpRle8 || info.compression == kSkinBmpRle4) {
        if (available < 2)
            return Refuse(why, "pixel data truncated");
        if (pixels > available * kSkinBmpRleMaxPixelsPerByte)
            return Refuse(why, "picture larger than its run-length data can cover");
        info.pixelBytes = available;
    } else {
        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
        const std::uint64_t needed = stride * static_cast<std::uint64_t>(height);
        if (needed > available)
            return Refuse(why, "pixel data truncated");
        info.pixelBytes = needed;
    }
    out = info;
    return true;
}

std::vector<std::uint8_t> NormalizedSkinBmp(const std::uint8_t* data, std::size_t size,
                                            const SkinBmpInfo& info) {
    std::vector<std::uint8_t> bytes(data, data + size);
    if (bytes.size() < kSkinBmpFileHeaderBytes)
        return bytes;
    bytes[0] = 'B';
    bytes[1] = 'M';
    WriteLe32(bytes.data() + 2, static_cast<std::uint32_t>(size));
    WriteLe32(bytes.data() + 6, 0);
    WriteLe32(bytes.data() + 10, static_cast<std::uint32_t>(info.pixelOffset));
    return bytes;
}
