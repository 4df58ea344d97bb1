// The binary files of a skin: region data, BMP headers, .cur and .ani cursors. Hostile sizes
// and counts are refused without reading or allocating beyond the file.
#include "skin/format/skin_bmp.h"
#include "skin/format/skin_bytes.h"
#include "skin/format/skin_cursor.h"
#include "skin/format/skin_region.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "skin_test_files.h"
#include "sound/riff.h"
#include "temp_dir.h"

namespace {

using testsupport::RegionRect;

const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

bool Region(const std::string& data, std::vector<SkinRect>& rects) {
    std::string why;
    return ParseSkinRegion(Bytes(data), data.size(), rects, &why);
}

bool Bmp(const std::string& data, SkinBmpInfo& info) {
    return CheckSkinBmp(Bytes(data), data.size(), info);
}

std::uint32_t Argb(int x, int y) {
    if (x == 0 && y == 0)
        return 0; // transparent corner
    return 0xFF000000u | static_cast<std::uint32_t>(x * 16) << 16 |
           static_cast<std::uint32_t>(y * 16) << 8 | 0x40;
}

} // namespace

TEST(SkinRegionFile, RectanglesOfAValidFile) {
    std::vector<SkinRect> rects;
    ASSERT_TRUE(Region(testsupport::RegionData({{0, 0, 10, 5}, {-3, 5, 7, 6}}), rects));
    EXPECT_EQ(rects, (std::vector<SkinRect>{{0, 0, 10, 5}, {-3, 5, 7, 6}}));
    ASSERT_TRUE(Region(testsupport::RegionData({}), rects));
    EXPECT_TRUE(rects.empty());
    // Bytes behind the rectangles are ignored; the writer makes what the parser reads.
    ASSERT_TRUE(Region(testsupport::RegionData({{1, 2, 3, 4}}) + "tail", rects));
    const std::vector<std::uint8_t> written = MakeSkinRegionData({{1, 2, 3, 4}, {5, 6, 7, 8}});
    ASSERT_TRUE(ParseSkinRegion(written.data(), written.size(), rects));
    EXPECT_EQ(rects, (std::vector<SkinRect>{{1, 2, 3, 4}, {5, 6, 7, 8}}));
}

TEST(SkinRegionFile, HostileHeadersAreRefused) {
    std::vector<SkinRect> rects;
    const std::string good = testsupport::RegionData({{0, 0, 10, 5}, {0, 5, 7, 6}});
    EXPECT_FALSE(Region(good.substr(0, 31), rects));
    EXPECT_FALSE(Region(good.substr(0, good.size() - 1), rects)); // last rectangle cut
    // Counts larger than the file, up to the largest 32-bit number.
    for (std::int64_t count : {3LL, 0x10000000LL, 0x0FFFFFFFLL, 0xFFFFFFFFLL}) {
        EXPECT_FALSE(Region(testsupport::RegionData({{0, 0, 1, 1}, {0, 0, 1, 1}}, count), rects))
            << count;
        EXPECT_TRUE(rects.empty());
    }
    std::string wrongSize = good;
    testsupport::SetLe32(wrongSize, 0, 40);
    EXPECT_FALSE(Region(wrongSize, rects));
    std::string wrongType = good;
    testsupport::SetLe32(wrongType, 4, 2);
    EXPECT_FALSE(Region(wrongType, rects));
    // Absurd rectangles: corners swapped, coordinates far beyond any screen.
    EXPECT_FALSE(Region(testsupport::RegionData({{10, 0, 0, 5}}), rects));
    EXPECT_FALSE(Region(testsupport::RegionData({{0, 5, 10, 0}}), rects));
    EXPECT_FALSE(Region(testsupport::RegionData({{INT32_MIN, 0, INT32_MAX, 1}}), rects));
    EXPECT_FALSE(Region(testsupport::RegionData({{0, 0, (1 << 20) + 1, 1}}), rects));
    EXPECT_FALSE(ParseSkinRegion(nullptr, 0, rects));
}

TEST(SkinRegionFile, FilesThatCannotBeRead) {
    testsupport::TempDir dir;
    std::vector<SkinRect> rects;
    int error = 0;
    EXPECT_FALSE(LoadSkinRegionFile(dir.File("missing.rgn"), rects, error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(LoadSkinRegionFile(dir.Path(), rects, error));
    EXPECT_EQ(error, EISDIR);
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(LoadSkinRegionFile(dir.File("fifo"), rects, error)); // never blocks
    EXPECT_EQ(error, EINVAL);
    testsupport::WriteFile(dir.File("bad.rgn"), "not a region");
    EXPECT_FALSE(LoadSkinRegionFile(dir.File("bad.rgn"), rects, error));
    EXPECT_EQ(error, EINVAL);
    testsupport::WriteFile(dir.File("ok.rgn"), testsupport::RegionData({{0, 0, 2, 2}}));
    ASSERT_TRUE(LoadSkinRegionFile(dir.File("ok.rgn"), rects, error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(rects.size(), 1u);

    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadSkinFileBytes(dir.File("ok.rgn"), 47, bytes), EFBIG);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadSkinFileBytes(dir.File("ok.rgn"), 48, bytes), 0);
    EXPECT_EQ(bytes.size(), 48u);
}

TEST(SkinBmpFile, LayoutOfValidFiles) {
    SkinBmpInfo info;
    ASSERT_TRUE(Bmp(testsupport::Bmp24(3, 2, 0x112233), info));
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bitCount, 24);
    EXPECT_EQ(info.pixelOffset, 54u);
    EXPECT_EQ(info.pixelBytes, 24u); // two rows of 9 bytes padded to 12
    ASSERT_TRUE(
        Bmp(testsupport::Bmp8(5, 1, {0xFF0000, 0x00FF00}, [](int x, int) { return x % 2; }), info));
    EXPECT_EQ(info.colorEntries, 2u);
    EXPECT_EQ(info.pixelOffset, 54u + 8u);

    // The file header's pixel offset is not trusted: the normalised copy says where the format
    // reads the pixels.
    std::string lying = testsupport::Bmp24(3, 2, 0x112233);
    testsupport::SetLe32(lying, 10, 0x7FFFFFF0);
    testsupport::SetLe32(lying, 2, 0xFFFFFFFF);
    ASSERT_TRUE(Bmp(lying, info));
    const std::vector<std::uint8_t> fixed = NormalizedSkinBmp(Bytes(lying), lying.size(), info);
    EXPECT_EQ(ReadLe32(fixed.data() + 10), 54u);
    EXPECT_EQ(ReadLe32(fixed.data() + 2), lying.size());

    // Top-down pictures have a negative height.
    std::string topDown = testsupport::Bmp24(3, 2, 0);
    testsupport::SetLe32(topDown, 22, static_cast<std::uint32_t>(-2));
    ASSERT_TRUE(Bmp(topDown, info));
    EXPECT_TRUE(info.topDown);
    EXPECT_EQ(info.height, 2);
}

TEST(SkinBmpFile, TruncatedAndHugeDeclaredFilesAreRefused) {
    SkinBmpInfo info;
    const std::string good = testsupport::Bmp24(16, 16, 0x808080);
    EXPECT_FALSE(Bmp("", info));
    EXPECT_FALSE(Bmp("BM", info));
    EXPECT_FALSE(Bmp("XX" + good.substr(2), info));
    for (std::size_t cut : {good.size() - 1, std::size_t{54}, std::size_t{40}, std::size_t{17}})
        EXPECT_FALSE(Bmp(good.substr(0, cut), info)) << cut;

    // A header that declares 1 GB of pixels in a file of a few bytes.
    std::string huge = testsupport::BmpHeaders(16384, 16384, 32, 0, 0, 1u << 30) + "tiny";
    EXPECT_FALSE(Bmp(huge, info));
    huge = testsupport::BmpHeaders(32767, 32767, 8, 0, 0, 0) + std::string(1024, '\0');
    EXPECT_FALSE(Bmp(huge, info));
    // Run-length data may cover a picture larger than itself, but not without limit.
    std::string rle = testsupport::BmpHeaders(4000, 4000, 8, kSkinBmpRle8, 0, 64) +
                      std::string(256 * 4, '\0') + std::string(64, '\0');
    EXPECT_FALSE(Bmp(rle, info));
    rle = testsupport::BmpHeaders(64, 64, 8, kSkinBmpRle8, 0, 64) + std::string(256 * 4, '\0') +
          std::string(64, '\0');
    EXPECT_TRUE(Bmp(rle, info));

    // Sizes, bit counts, compressions and colour tables out of range.
    EXPECT_FALSE(Bmp(testsupport::BmpHeaders(0, 1, 24, 0, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(Bmp(testsupport::BmpHeaders(-1, 1, 24, 0, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(
        Bmp(testsupport::BmpHeaders(1, INT32_MIN, 24, 0, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(Bmp(testsupport::BmpHeaders(1, 1, 7, 0, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(Bmp(testsupport::BmpHeaders(1, 1, 24, 4, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(
        Bmp(testsupport::BmpHeaders(1, 1, 24, kSkinBmpRle8, 0, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(
        Bmp(testsupport::BmpHeaders(1, 1, 8, 0, 0xFFFFFFFF, 4) + std::string(4, '\0'), info));
    EXPECT_FALSE(Bmp(testsupport::BmpHeaders(1, 1, 8, 0, 256, 4) + std::string(4, '\0'), info));
    std::string badInfo = good;
    testsupport::SetLe32(badInfo, 14, 0xFFFFFFFF);
    EXPECT_FALSE(Bmp(badInfo, info));
}

TEST(SkinCursorFile, HotSpotAndPictureOfACurFile) {
    const std::string image = testsupport::CursorDib32(4, 3, Argb);
    const std::string cur = testsupport::CurFile(image, 4, 3, 2, 1);
    SkinCursorData data;
    ASSERT_TRUE(ParseSkinCursorBytes(Bytes(cur), cur.size(), data));
    EXPECT_EQ(data.hotX, 2);
    EXPECT_EQ(data.hotY, 1);
    EXPECT_EQ(data.image.width, 4);
    EXPECT_EQ(data.image.height, 3);
    EXPECT_FALSE(data.image.png);
    EXPECT_EQ(data.imageBytes.size(), image.size());
    EXPECT_EQ(data.curFile.size(), 22 + image.size());

    SkinArgbImage picture;
    ASSERT_TRUE(DecodeSkinCursorDib(data.imageBytes.data(), data.imageBytes.size(), picture));
    ASSERT_EQ(picture.pixels.size(), 12u);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture.pixels[y * 4 + x], Argb(x, y)) << x << "," << y;

    // A 1-bit cursor: white, black and transparent pixels from the XOR picture and the mask.
    const std::string mono = testsupport::CursorDib1(
        9, 2, [](int x, int) { return x < 3; }, [](int x, int y) { return x == 8 && y == 1; });
    ASSERT_TRUE(DecodeSkinCursorDib(Bytes(mono), mono.size(), picture));
    EXPECT_EQ(picture.pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(picture.pixels[3], 0xFF000000u);
    EXPECT_EQ(picture.pixels[9 + 8], 0u);

    // An icon has its hot spot in the centre; a hot spot outside the picture is brought in.
    ASSERT_TRUE(
        ParseSkinCursorBytes(Bytes(testsupport::CurFile(image, 4, 3, 0, 0, 1)), cur.size(), data));
    EXPECT_EQ(data.hotX, 2);
    EXPECT_EQ(data.hotY, 1);
    const std::string far = testsupport::CurFile(image, 4, 3, 900, 900);
    ASSERT_TRUE(ParseSkinCursorBytes(Bytes(far), far.size(), data));
    EXPECT_EQ(data.hotX, 3);
    EXPECT_EQ(data.hotY, 2);
}

TEST(SkinCursorFile, HostileDirectoriesAndImagesAreRefused) {
    const std::string image = testsupport::CursorDib32(4, 3, Argb);
    const std::string cur = testsupport::CurFile(image, 4, 3, 2, 1);
    SkinCursorData data;
    auto refused = [&](const std::string& bytes) {
        return !ParseSkinCursorBytes(Bytes(bytes), bytes.size(), data);
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused(cur.substr(0, 21)));
    EXPECT_TRUE(refused(cur.substr(0, cur.size() - 1))); // image runs past the end
    std::string s = cur;
    s[2] = 3; // type
    EXPECT_TRUE(refused(s));
    s = cur;
    s[0] = 1; // reserved
    EXPECT_TRUE(refused(s));
    s = cur;
    s[4] = 0; // no images
    EXPECT_TRUE(refused(s));
    s = cur;
    s[4] = static_cast<char>(0xFF); // 255 entries in a file of one
    s[5] = static_cast<char>(0xFF);
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 6 + 12, 0xFFFFFFF0); // offset
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 6 + 8, 0xFFFFFFF0); // size
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 22 + 4, 100000); // DIB width
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 22 + 8, 0x7FFFFFFF); // DIB height
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 22, 0xFFFFFFFF); // DIB header size
    EXPECT_TRUE(refused(s));
    s = cur;
    testsupport::SetLe32(s, 22 + 16, 1); // compression
    EXPECT_TRUE(refused(s));
    // A 1-bit picture without its mask is cut; a 32-bit one may lack the mask.
    const std::string mono = testsupport::CursorDib1(
        8, 8, [](int, int) { return true; }, [](int, int) { return false; });
    EXPECT_TRUE(refused(testsupport::CurFile(mono.substr(0, mono.size() - 4), 8, 8, 0, 0)));
    EXPECT_FALSE(refused(testsupport::CurFile(image.substr(0, image.size() - 12), 4, 3, 0, 0)));

    // PNG images: the header is checked, the picture is left to a PNG decoder.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x20\0\0\0\x20\x08\x06\0\0\0", 29);
    png += std::string(8, '\0');
    ASSERT_FALSE(refused(testsupport::CurFile(png, 32, 32, 3, 4)));
    EXPECT_TRUE(data.image.png);
    EXPECT_EQ(data.image.width, 32);
    SkinArgbImage picture;
    EXPECT_FALSE(DecodeSkinCursorDib(data.imageBytes.data(), data.imageBytes.size(), picture));
    std::string bigPng = png;
    bigPng[18] = 0x7F;
    EXPECT_TRUE(refused(testsupport::CurFile(bigPng, 32, 32, 3, 4)));
}

TEST(SkinCursorFile, AnimatedCursorFramesAndRate) {
    testsupport::TempDir dir;
    const std::string first =
        testsupport::CurFile(testsupport::CursorDib32(4, 3, Argb), 4, 3, 1, 2);
    const std::string second =
        testsupport::CurFile(testsupport::CursorDib32(5, 5, Argb), 5, 5, 0, 0);
    testsupport::WriteFile(dir.File("busy.ani"),
                           testsupport::AniFile({first, second}, 10, {10, 20}));
    SkinAniInfo ani;
    int error = -1;
    ASSERT_TRUE(ParseSkinAniFile(dir.File("busy.ani"), ani, error));
    EXPECT_EQ(error, 0);
    ASSERT_EQ(ani.frames.size(), 2u);
    EXPECT_EQ(ani.frames[0].size, first.size());
    EXPECT_EQ(ani.frames[1].size, second.size());
    EXPECT_EQ(ani.displayRate, 10u);
    EXPECT_EQ(ani.steps, 2u);
    EXPECT_EQ(ani.rates, (std::vector<std::uint32_t>{10, 20}));
    EXPECT_TRUE(ani.sequence.empty());
    const std::string file = testsupport::ReadFile(dir.File("busy.ani"));
    EXPECT_EQ(file.substr(ani.frames[1].offset, ani.frames[1].size), second);

    SkinCursorData data;
    ASSERT_TRUE(LoadSkinCursorFile(dir.File("busy.ani"), data, error));
    EXPECT_TRUE(data.animated);
    EXPECT_EQ(data.frames, 2u);
    EXPECT_EQ(data.displayRate, 10u);
    EXPECT_EQ(data.hotX, 1);
    EXPECT_EQ(data.hotY, 2);
    EXPECT_EQ(data.image.width, 4);

    // The same loader reads a .cur file.
    testsupport::WriteFile(dir.File("arrow.cur"), first);
    ASSERT_TRUE(LoadSkinCursorFile(dir.File("arrow.cur"), data, error));
    EXPECT_FALSE(data.animated);
    EXPECT_EQ(data.hotY, 2);
}

TEST(SkinCursorFile, HostileAnimatedCursorsAreRefused) {
    testsupport::TempDir dir;
    const std::string frame =
        testsupport::CurFile(testsupport::CursorDib32(4, 3, Argb), 4, 3, 1, 2);
    const std::string good = testsupport::AniFile({frame}, 6);
    SkinCursorData data;
    SkinAniInfo ani;
    int error = 0;
    auto refused = [&](const std::string& bytes) {
        testsupport::WriteFile(dir.File("x.ani"), bytes);
        const bool loaded = LoadSkinCursorFile(dir.File("x.ani"), data, error);
        return !loaded && error != 0;
    };
    EXPECT_FALSE(refused(good));
    // Cut anywhere: inside the frame, inside the header, after the form type.
    for (std::size_t cut : {good.size() - 1, good.size() - frame.size(), std::size_t{30},
                            std::size_t{12}, std::size_t{5}})
        EXPECT_TRUE(refused(good.substr(0, cut))) << cut;
    std::string s = good;
    s.replace(8, 4, "ACOX"); // form type
    EXPECT_TRUE(refused(s));
    s = good;
    s.replace(12, 4, "anix"); // no header
    EXPECT_TRUE(refused(s));
    // Sizes that claim more than the file holds.
    s = good;
    testsupport::SetLe32(s, 4, 0xFFFFFFFF);
    EXPECT_FALSE(refused(s)); // the RIFF size is clamped to the file
    s = good;
    testsupport::SetLe32(s, 16, 0xFFFFFFF0); // "anih" size: the frames behind it are lost
    EXPECT_TRUE(refused(s));
    const std::size_t icon = good.find("icon");
    ASSERT_NE(icon, std::string::npos);
    s = good;
    testsupport::SetLe32(s, icon + 4, 0xFFFFFFF0);
    EXPECT_TRUE(refused(s));
    // A frame that is no cursor.
    EXPECT_TRUE(refused(testsupport::AniFile({"garbage garbage garbage"}, 6)));
    // No frames at all.
    EXPECT_TRUE(refused(testsupport::AniFile({}, 6)));
    // A rate table longer than the steps, a sequence naming a missing frame.
    std::string seq;
    testsupport::PutLe32(seq, 7);
    std::string body = good.substr(8) + testsupport::RiffChunk("seq ", seq);
    testsupport::WriteFile(dir.File("seq.ani"), testsupport::RiffChunk("RIFF", body));
    ASSERT_TRUE(ParseSkinAniFile(dir.File("seq.ani"), ani, error));
    EXPECT_TRUE(ani.sequence.empty());
    EXPECT_FALSE(ParseSkinAniFile(dir.File("missing.ani"), ani, error));
    EXPECT_EQ(error, ENOENT);
}
