// The files a skin names: bitmaps, regions and cursors through CSkinParser, CDynBitmap and
// CDynRgn, and hostile files refused by their getters without harm.
#include "skin/dyn_bitmap.h"
#include "skin/dyn_rgn.h"
#include "skin/skin_file_loaders.h"
#include "skin/skin_parser.h"

#include <QDir>
#include <QImageReader>
#include <QPixmap>

#include <gtest/gtest.h>
#include <string>

#include "debug_trace_capture.h"
#include "skin_test_files.h"
#include "temp_dir.h"

namespace {

std::uint32_t Gradient(int x, int y) {
    return static_cast<std::uint32_t>(x * 40) << 16 | static_cast<std::uint32_t>(y * 50) << 8 |
           0x33;
}

std::uint32_t CursorArgb(int x, int y) {
    if (x == y)
        return 0; // a transparent diagonal
    return 0xFF000000u | static_cast<std::uint32_t>(x * 8) << 16 |
           static_cast<std::uint32_t>(y * 8);
}

class SkinFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(Q("sub"))); }
    QString Q(const std::string& name) const { return QString::fromStdString(dir_.File(name)); }
    void Write(const std::string& name, const std::string& bytes) {
        testsupport::WriteFile(dir_.File(name), bytes);
    }
    // Opens a skin whose section [S] holds the one line key = value.
    void OpenLine(const std::string& key, const std::string& value) {
        Write("Default.sdf", "[S]\n" + key + " = " + value + "\n");
        ASSERT_TRUE(parser_.Open(Q("Default.sdf")));
        ASSERT_TRUE(parser_.FindSection("[S]"));
        ASSERT_TRUE(parser_.NextAttribute());
    }

    testsupport::TempDir dir_;
    testsupport::DebugTraceCapture trace_;
    CSkinParser parser_;
};

} // namespace

TEST_F(SkinFilesTest, BitmapsThroughTheParserAndCDynBitmap) {
    Write("sub/bg.bmp", testsupport::Bmp24(5, 4, Gradient));
    OpenLine("bitmap_up", ".\\sub\\bg.bmp");
    QImage image;
    ASSERT_TRUE(parser_.GetBitmap("bitmap_up", image));
    ASSERT_EQ(image.size(), QSize(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, Gradient(x, y)) << x << "," << y;

    // An 8-bit palette picture whose file header names a wrong pixel offset: the pixels are
    // read after the colour table, as the skin format reads them.
    std::string palette = testsupport::Bmp8(6, 2, {0xFF0000, 0x0000FF, 0x00FF00},
                                            [](int x, int y) { return (x + y) % 3; });
    testsupport::SetLe32(palette, 10, 14);
    Write("sub/pal.bmp", palette);
    CDynBitmap bitmap;
    EXPECT_TRUE(bitmap.IsNull());
    ASSERT_TRUE(bitmap.Load(Q("sub/pal.bmp")));
    EXPECT_EQ(bitmap.Image().size(), QSize(6, 2));
    EXPECT_EQ(bitmap.Image().pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(bitmap.Image().pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(bitmap.Image().pixel(0, 1) & 0xFFFFFF, 0x0000FFu);

    // A failed load keeps the picture.
    EXPECT_FALSE(bitmap.Load(Q("sub/missing.bmp")));
    EXPECT_FALSE(bitmap.Load(QString()));
    EXPECT_EQ(bitmap.Image().size(), QSize(6, 2));
}

TEST_F(SkinFilesTest, HostileBitmapsAreRefused) {
    const std::string good = testsupport::Bmp24(64, 64, 0x808080);
    Write("truncated.bmp", good.substr(0, good.size() - 100));
    Write("headers.bmp", good.substr(0, 40));
    Write("huge.bmp",
          testsupport::BmpHeaders(16384, 16384, 32, 0, 0, 1u << 30) + std::string(4096, '\x55'));
    Write("rle.bmp", testsupport::BmpHeaders(30000, 8000, 8, 1, 0, 16) + std::string(1024, '\0') +
                         std::string(16, '\0'));
    Write("png.bmp", "\x89PNG\r\n\x1a\n" + good.substr(8));
    Write("garbage.bmp", "BM" + std::string(300, '\xff'));
    CDynBitmap bitmap;
    bitmap.SetImage(QImage(2, 3, QImage::Format_RGB32));
    for (const char* name :
         {"truncated.bmp", "headers.bmp", "huge.bmp", "rle.bmp", "png.bmp", "garbage.bmp"}) {
        EXPECT_FALSE(bitmap.Load(Q(name))) << name;
        EXPECT_EQ(bitmap.Image().size(), QSize(2, 3)) << name;
        OpenLine("bitmap", name);
        QImage image;
        EXPECT_FALSE(parser_.GetBitmap("bitmap", image)) << name;
        EXPECT_TRUE(image.isNull());
        EXPECT_TRUE(trace_.Has(std::string("couldn't load bitmap ") + name));
    }
}

TEST_F(SkinFilesTest, RegionsThroughTheParserAndCDynRgn) {
    Write("sub/window.rgn", testsupport::RegionData({{0, 0, 10, 5}, {2, 5, 8, 9}}));
    OpenLine("region", "sub\\window.rgn");
    QRegion region;
    ASSERT_TRUE(parser_.GetRegion("region", region));
    QRegion expected = QRegion(0, 0, 10, 5).united(QRegion(2, 5, 6, 4));
    EXPECT_EQ(region, expected); // right and bottom exclusive
    EXPECT_TRUE(region.contains(QPoint(9, 4)));
    EXPECT_FALSE(region.contains(QPoint(10, 4)));
    EXPECT_FALSE(region.contains(QPoint(1, 6)));

    CDynRgn rgn;
    ASSERT_TRUE(rgn.Load(Q("sub/window.rgn"), 2.0, 1.0));
    EXPECT_EQ(rgn.Region(), QRegion(0, 0, 20, 5).united(QRegion(4, 5, 12, 4)));
    // "void" and an empty name clear the region.
    ASSERT_TRUE(rgn.Load("void"));
    EXPECT_TRUE(rgn.IsEmpty());
    ASSERT_TRUE(rgn.Load(Q("sub/window.rgn")));
    ASSERT_TRUE(rgn.Load(QString()));
    EXPECT_TRUE(rgn.IsEmpty());
    // A failed load keeps the region.
    ASSERT_TRUE(rgn.Load(Q("sub/window.rgn")));
    EXPECT_FALSE(rgn.Load(Q("sub/missing.rgn")));
    EXPECT_EQ(rgn.Region(), expected);
    Write("empty.rgn", testsupport::RegionData({}));
    ASSERT_TRUE(rgn.Load(Q("empty.rgn")));
    EXPECT_TRUE(rgn.IsEmpty());
}

TEST_F(SkinFilesTest, HostileRegionsAreRefused) {
    const std::vector<testsupport::RegionRect> rects = {{0, 0, 10, 5}};
    Write("count.rgn", testsupport::RegionData(rects, 0x7FFFFFFF));
    Write("count1.rgn", testsupport::RegionData(rects, 2));
    Write("short.rgn", testsupport::RegionData(rects).substr(0, 20));
    std::string header = testsupport::RegionData(rects);
    testsupport::SetLe32(header, 0, 48);
    Write("header.rgn", header);
    Write("swapped.rgn", testsupport::RegionData({{10, 0, 0, 5}}));
    Write("far.rgn", testsupport::RegionData({{-2000000000, 0, 2000000000, 5}}));
    CDynRgn rgn;
    for (const char* name :
         {"count.rgn", "count1.rgn", "short.rgn", "header.rgn", "swapped.rgn", "far.rgn"}) {
        EXPECT_FALSE(rgn.Load(Q(name))) << name;
        OpenLine("region", name);
        QRegion region(1, 1, 1, 1);
        EXPECT_FALSE(parser_.GetRegion("region", region)) << name;
        EXPECT_EQ(region, QRegion(1, 1, 1, 1));
        EXPECT_TRUE(trace_.Has(std::string("couldn't load region ") + name));
    }
}

TEST_F(SkinFilesTest, CursorsFromCurAndAniFiles) {
    const std::string image = testsupport::CursorDib32(16, 16, CursorArgb);
    Write("sub/hand.cur", testsupport::CurFile(image, 16, 16, 5, 7));
    OpenLine("cursor", "sub\\hand.cur");
    QCursor cursor;
    ASSERT_TRUE(parser_.GetCursor("cursor", cursor));
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(5, 7));
    EXPECT_EQ(cursor.pixmap().size(), QSize(16, 16));

    // Qt's CUR reader (where Qt has one) and our own decoder give the same picture.
    SkinCursorData data;
    int error = 0;
    ASSERT_TRUE(LoadSkinCursorFile(dir_.File("sub/hand.cur"), data, error));
    const QImage ours = SkinCursorPicture(data, false).convertToFormat(QImage::Format_ARGB32);
    const QImage qts = SkinCursorPicture(data, true).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(ours.size(), QSize(16, 16));
    ASSERT_EQ(qts.size(), QSize(16, 16));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(ours.pixel(x, y), CursorArgb(x, y)) << x << "," << y;
            EXPECT_EQ(qts.pixel(x, y), CursorArgb(x, y)) << x << "," << y;
        }
    }
    std::printf("Qt reads \"cur\": %s\n",
                QImageReader::supportedImageFormats().contains("cur") ? "yes" : "no");

    // A black and white cursor.
    Write("mono.cur", testsupport::CurFile(testsupport::CursorDib1(
                                               32, 32, [](int x, int) { return x < 16; },
                                               [](int, int y) { return y >= 30; }),
                                           32, 32, 31, 0));
    QImage picture;
    QPoint hotSpot;
    ASSERT_TRUE(LoadSkinCursorPicture(Q("mono.cur"), picture, hotSpot));
    EXPECT_EQ(hotSpot, QPoint(31, 0));
    EXPECT_EQ(picture.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(picture.pixel(20, 0), 0xFF000000u);
    EXPECT_EQ(qAlpha(picture.pixel(20, 31)), 0);

    // An animated cursor: the first frame with its own hot spot.
    const std::string second =
        testsupport::CurFile(testsupport::CursorDib32(8, 8, CursorArgb), 8, 8, 1, 1);
    Write("busy.ani",
          testsupport::AniFile({testsupport::CurFile(image, 16, 16, 3, 4), second}, 10));
    OpenLine("cursor", "busy.ani");
    ASSERT_TRUE(parser_.GetCursor("cursor", cursor));
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 4));
    EXPECT_EQ(cursor.pixmap().size(), QSize(16, 16));
}

TEST_F(SkinFilesTest, HostileCursorsAreRefused) {
    const std::string image = testsupport::CursorDib32(16, 16, CursorArgb);
    const std::string cur = testsupport::CurFile(image, 16, 16, 5, 7);
    std::string offset = cur;
    testsupport::SetLe32(offset, 6 + 12, 0x7FFFFFFF);
    std::string width = cur;
    testsupport::SetLe32(width, 22 + 4, 0x40000000);
    std::string count = cur;
    count[4] = count[5] = '\x7f';
    Write("truncated.cur", cur.substr(0, cur.size() - 200));
    Write("offset.cur", offset);
    Write("width.cur", width);
    Write("count.cur", count);
    Write("empty.cur", "");
    Write("cut.ani", testsupport::AniFile({cur}, 10).substr(0, 80));
    Write("noframes.ani", testsupport::AniFile({}, 10));
    for (const char* name : {"truncated.cur", "offset.cur", "width.cur", "count.cur", "empty.cur",
                             "cut.ani", "noframes.ani", "missing.cur"}) {
        OpenLine("cursor", name);
        QCursor cursor(Qt::PointingHandCursor);
        EXPECT_FALSE(parser_.GetCursor("cursor", cursor)) << name;
        EXPECT_EQ(cursor.shape(), Qt::PointingHandCursor);
        EXPECT_TRUE(trace_.Has(std::string("couldn't load cursor from file ") + name));
    }
}
