// The skin artwork generator: the file formats it writes read back as the control panel reads
// them, and the shipped skins name a picture of the right size for every state of every control.
#include "skin/art/art_files.h"
#include "skin/art/layout.h"
#include "skin/art/skin_builder.h"
#include "skin/art/theme.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <map>
#include <set>

#include <gtest/gtest.h>

namespace {

using namespace skinart;

// Little-endian numbers of a file's bytes; 0 past the end, so a short file fails its checks.
quint32 UnsignedAt(const QByteArray& data, int offset, int bytes) {
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        const int at = offset + i;
        value = value << 8 | (at < data.size() ? static_cast<quint8>(data[at]) : 0u);
    }
    return value;
}

qint32 Int32At(const QByteArray& data, int offset) {
    return static_cast<qint32>(UnsignedAt(data, offset, 4));
}

QString SourceDir() {
    return QStringLiteral(VOXWARP_SOURCE_DIR);
}

// Sections of a skin file: key/value lines up to the first line without "=".
using Section = std::map<QString, QString>;
std::map<QString, Section> ParseSkin(const QByteArray& text) {
    std::map<QString, Section> sections;
    Section* current = nullptr;
    for (const QString& raw : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1Char('['))) {
            current = &sections[line.mid(1, line.indexOf(QLatin1Char(']')) - 1)];
        } else if (eq < 0) {
            current = nullptr;
        } else if (current) {
            (*current)[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
        }
    }
    return sections;
}

QSize SizeOf(const QString& pair) {
    const QStringList v = pair.split(QLatin1Char(','));
    return v.size() == 2 ? QSize(v[0].toInt(), v[1].toInt()) : QSize();
}

TEST(SkinArtFiles, BmpReadsBackPixelForPixel) {
    QImage img(5, 3, QImage::Format_RGB32); // 5 pixels: rows need padding to 16 bytes
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            img.setPixel(x, y, qRgb(x * 50, y * 100, 7 + x + y));
        }
    }
    const QByteArray bmp = BmpData(img);
    ASSERT_TRUE(bmp.startsWith("BM"));
    EXPECT_EQ(Int32At(bmp, 2), bmp.size());
    EXPECT_EQ(bmp.size(), 54 + 16 * 3);
    EXPECT_EQ(QImage::fromData(bmp, "BMP").convertToFormat(QImage::Format_RGB32), img);
}

TEST(SkinArtFiles, RegionCoversExactlyTheOpaquePixelsInMergedBands) {
    QImage mask(40, 30, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, 40, 30), 8, 8);
        p.fillPath(path, Qt::black);
    }
    const std::vector<QRect> rects = MaskRectangles(mask);
    const QByteArray data = RegionData(rects);
    const int n = int(rects.size());
    ASSERT_EQ(data.size(), 32 + 16 * n);
    EXPECT_EQ(Int32At(data, 0), 32);
    EXPECT_EQ(Int32At(data, 4), 1);
    EXPECT_EQ(Int32At(data, 8), n);
    EXPECT_EQ(Int32At(data, 12), 16 * n);
    EXPECT_EQ(Int32At(data, 16), 0); // bounds, right and bottom exclusive
    EXPECT_EQ(Int32At(data, 20), 0);
    EXPECT_EQ(Int32At(data, 24), 40);
    EXPECT_EQ(Int32At(data, 28), 30);
    EXPECT_LT(n, 30) << "the straight middle lines form one band";

    QRegion region;
    for (int i = 0; i < n; ++i) {
        const int o = 32 + 16 * i;
        region += QRect(QPoint(Int32At(data, o), Int32At(data, o + 4)),
                        QPoint(Int32At(data, o + 8) - 1, Int32At(data, o + 12) - 1));
    }
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(region.contains(QPoint(x, y)), qAlpha(mask.pixel(x, y)) >= 128)
                << x << "," << y;
        }
    }
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(20, 0)));
}

TEST(SkinArtFiles, CursorHasItsHotSpotAndReadsAsAnIcon) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(11, 1, qRgba(255, 255, 255, 255));
    const QByteArray cur = CursorData(img, QPoint(11, 1));
    EXPECT_EQ(UnsignedAt(cur, 2, 2), 2u); // cursor
    EXPECT_EQ(UnsignedAt(cur, 4, 2), 1u);
    EXPECT_EQ(UnsignedAt(cur, 10, 2), 11u);
    EXPECT_EQ(UnsignedAt(cur, 12, 2), 1u);
    EXPECT_EQ(Int32At(cur, 14) + 22, cur.size());
    EXPECT_EQ(Int32At(cur, 22 + 8), 64) << "the DIB holds the colours and the mask";

    QByteArray bytes = cur;
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "ico");
    const QImage read = reader.read();
    ASSERT_FALSE(read.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(read.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(read.pixel(11, 1)), 255);
    EXPECT_EQ(qAlpha(read.pixel(0, 0)), 0);
}

struct ShippedSkins : testing::TestWithParam<const char*> {
    Theme theme;
    Layout layout;
    QString error;

    void SetUp() override {
        ASSERT_FALSE(SourceDir().isEmpty());
        ASSERT_TRUE(theme.Load(SourceDir() + QStringLiteral("/data/art/theme.ini"), error))
            << error.toStdString();
        ASSERT_TRUE(layout.Load(
            SourceDir() + QStringLiteral("/data/art/%1.layout").arg(QLatin1String(GetParam())),
            error))
            << error.toStdString();
    }
};

TEST_P(ShippedSkins, EveryStateOfEveryControlHasAPictureOfTheControlsSize) {
    SkinBuilder builder(theme, layout);
    ASSERT_TRUE(builder.Build(error)) << error.toStdString();
    const auto& files = builder.Files();
    const auto sdf = files.find(layout.name + QStringLiteral(".sdf"));
    ASSERT_NE(sdf, files.end());
    const auto sections = ParseSkin(sdf->second);
    for (const QString& name : MainWindowSections()) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(sections.count(name));
        const Section& s = sections.at(name);
        const QSize size =
            SizeOf(s.count(QStringLiteral("size")) ? s.at(QStringLiteral("size")) : QString());
        EXPECT_TRUE(size.isValid() && !size.isEmpty());
        for (const auto& [key, value] : s) {
            if (key == QLatin1String("region") || key == QLatin1String("cursor") ||
                (key.startsWith(QLatin1String("bitmap")) &&
                 !key.endsWith(QLatin1String("color")))) {
                ASSERT_TRUE(files.count(value))
                    << key.toStdString() << " names " << value.toStdString();
            }
        }
        const bool button = s.count(QStringLiteral("bitmap_up"));
        if (button) {
            for (const char* essential :
                 {"position", "bitmap_up", "bitmap_do", "bitmap_mo", "bitmap_da"}) {
                EXPECT_TRUE(s.count(QLatin1String(essential))) << essential;
            }
            for (const auto& [key, value] : s) {
                if (key.startsWith(QLatin1String("bitmap_"))) {
                    EXPECT_EQ(QImage::fromData(files.at(value), "BMP").size(), size)
                        << key.toStdString();
                }
            }
        }
        const bool radio = s.count(QStringLiteral("bitmap_on_up"));
        if (radio) {
            for (const char* state : {"bitmap_on_do", "bitmap_on_mo", "bitmap_on_da"}) {
                EXPECT_TRUE(s.count(QLatin1String(state))) << state;
            }
        }
    }
    // The LED is display only: dark when off, lit (green) when checked and disabled.
    const Section& led = sections.at(QStringLiteral("DevLed"));
    const QImage dark = QImage::fromData(files.at(led.at(QStringLiteral("bitmap_da"))), "BMP");
    const QImage lit = QImage::fromData(files.at(led.at(QStringLiteral("bitmap_on_da"))), "BMP");
    const QPoint centre = dark.rect().center();
    EXPECT_GT(qGreen(lit.pixel(centre)), qGreen(dark.pixel(centre)) + 80);
    // Slider thumbs show what lies beneath through their corners.
    const Section& slider = sections.at(QStringLiteral("SSlider1"));
    const QImage thumb =
        QImage::fromData(files.at(slider.at(QStringLiteral("bitmap_thumb"))), "BMP");
    EXPECT_EQ(slider.at(QStringLiteral("bitmap_thumb_transparent_color")),
              QStringLiteral("255,0,255"));
    EXPECT_EQ(thumb.pixel(0, 0) & 0xffffff, 0xff00ffu);
    EXPECT_EQ(sections.at(QStringLiteral("EmList")).at(QStringLiteral("max_items")),
              QStringLiteral("60"));
}

TEST_P(ShippedSkins, TheSameSourcesGiveTheSameBytes) {
    SkinBuilder first(theme, layout);
    SkinBuilder second(theme, layout);
    ASSERT_TRUE(first.Build(error) && second.Build(error)) << error.toStdString();
    EXPECT_EQ(first.Files(), second.Files());
}

INSTANTIATE_TEST_SUITE_P(Skins, ShippedSkins, testing::Values("Default", "Compact"));

TEST(SkinArtSources, ProblemsNameTheFileAndLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Broken.layout"));
    auto write = [&path](const char* text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    Layout layout;
    QString error;
    write("[window]\nname = Broken\nsize = 100,100\n\n[ERadio1]\nstyle = slot\nrect = 1,2,0,4\n");
    EXPECT_FALSE(layout.Load(path, error));
    EXPECT_TRUE(error.contains(QStringLiteral("Broken.layout:7:"))) << error.toStdString();

    write("[window]\nname = Broken\nsize = 100,100\n[Exit]\nstyle = window_button\n"
          "rect = 1,2,3,4\nglyph = close\n");
    EXPECT_FALSE(Layout().Load(path, error));
    EXPECT_TRUE(error.contains(QStringLiteral("Broken.layout:7:"))) << error.toStdString();

    write("[window]\nname = Broken\nsize = 100,100\nthis line has no equals sign\n");
    EXPECT_FALSE(Layout().Load(path, error));
    EXPECT_TRUE(error.contains(QStringLiteral("Broken.layout:4:"))) << error.toStdString();

    // A layout that leaves out a control the main window needs is refused by the builder.
    write("[window]\nname = Broken\nsize = 100,100\n[ERadio1]\nstyle = slot\nrect = 1,2,30,30\n");
    Layout partial;
    ASSERT_TRUE(partial.Load(path, error)) << error.toStdString();
    Theme theme;
    ASSERT_TRUE(theme.Load(SourceDir() + QStringLiteral("/data/art/theme.ini"), error))
        << error.toStdString();
    SkinBuilder builder(theme, partial);
    EXPECT_FALSE(builder.Build(error));
    EXPECT_TRUE(error.contains(QStringLiteral("[EText1]"))) << error.toStdString();
}

} // namespace
