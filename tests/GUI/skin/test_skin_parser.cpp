// CSkinParser on skin text: opening, sections, the typed getters and the format's edge cases.
#include "skin/skin_parser.h"

#include <QDir>
#include <QFont>

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

#include "debug_trace_capture.h"
#include "temp_dir.h"

namespace {

class SkinParserTest : public ::testing::Test {
protected:
    // Writes the skin text as Default.sdf and opens it.
    void OpenSkin(const std::string& text) {
        testsupport::WriteFile(dir_.File("Default.sdf"), text);
        ASSERT_TRUE(parser_.Open(QString::fromStdString(dir_.File("Default.sdf"))));
    }
    // Positions the parser at the first attribute line of section.
    void At(const char* section) {
        ASSERT_TRUE(parser_.FindSection(section));
        ASSERT_TRUE(parser_.NextAttribute());
    }

    testsupport::TempDir dir_;
    testsupport::DebugTraceCapture trace_;
    CSkinParser parser_;
};

} // namespace

TEST_F(SkinParserTest, OpenRelativeAbsoluteMissingAndWithAnId) {
    testsupport::WriteFile(dir_.File("Default.sdf"), "SkinId = Voxwarp 1\n[Velmar]\nsize=1,2\n");
    EXPECT_TRUE(parser_.Open(QString::fromStdString(dir_.File("Default.sdf"))));
    EXPECT_TRUE(parser_.IsOpen());
    EXPECT_EQ(parser_.Folder(), QString::fromStdString(dir_.Path()));

    // A relative name, with backslashes, against the current folder (the program folder).
    const QString before = QDir::currentPath();
    ASSERT_EQ(chdir(dir_.Path().c_str()), 0);
    ASSERT_TRUE(QDir().mkpath("skins/en"));
    testsupport::WriteFile(dir_.File("skins/en/Default.sdf"), "[Velmar]\n");
    const bool relative = parser_.Open(".\\skins\\en\\Default.sdf");
    const QString folder = parser_.Folder();
    ASSERT_EQ(chdir(before.toLocal8Bit().constData()), 0);
    EXPECT_TRUE(relative);
    EXPECT_EQ(folder, QString::fromStdString(dir_.Path() + "skins/en/"));

    // The expected id must be the first line's value.
    EXPECT_TRUE(parser_.Open(QString::fromStdString(dir_.File("Default.sdf")), "Voxwarp 1"));
    EXPECT_TRUE(parser_.FindSection("[Velmar]"));
    trace_.Clear();
    const std::string file = dir_.File("Default.sdf");
    EXPECT_FALSE(parser_.Open(QString::fromStdString(file), "Voxwarp 2"));
    EXPECT_FALSE(parser_.IsOpen());
    EXPECT_TRUE(trace_.Has("Error cannot find matching ID [Voxwarp 2] in file [" + file + "]"));
    testsupport::WriteFile(dir_.File("NoId.sdf"), "[Velmar]\nid=Voxwarp 1\n");
    EXPECT_FALSE(parser_.Open(QString::fromStdString(dir_.File("NoId.sdf")), "Voxwarp 1"));

    // A file that cannot be opened: the cause is the system's error number.
    const std::string missing = dir_.File("Missing.sdf");
    EXPECT_FALSE(parser_.Open(QString::fromStdString(missing)));
    EXPECT_TRUE(trace_.Has("Error initializing parser from file [" + missing + "] - cause [2]"));
    EXPECT_FALSE(parser_.Open(QString::fromStdString(dir_.Path())));
    EXPECT_FALSE(parser_.FindSection("[Velmar]"));
    EXPECT_TRUE(trace_.Has("couldn't find skin object [Velmar]"));
    EXPECT_EQ(parser_.Folder(), QString());
    parser_.Close();
    parser_.Close();
    EXPECT_FALSE(parser_.NextAttribute());
    EXPECT_EQ(parser_.Key(), "");
}

TEST_F(SkinParserTest, DesignEdgeCases) {
    OpenSkin("[ERadio1] the first effect button\n"
             "position = 10,20,0,0\n"
             "size = 60,20\n"
             "\n"
             "caption = after the empty line\n"
             "[ERadio2]\n"
             "position = 10,20\n"
             "font = Arial,-12,bold,italic\n"
             "font = Arial, -12, bold\n"
             "color_background = 255,0,0\n"
             "color_background = 255,0\n"
             "region = void\n");
    // A header with more text opens the section; the empty line ends it.
    ASSERT_TRUE(parser_.FindSection("[ERadio1]"));
    QPoint first(-1, -1);
    QPoint second(-1, -1);
    QSize size;
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetQuad("position", first, second));
    EXPECT_EQ(first, QPoint(10, 20));
    EXPECT_EQ(second, QPoint(0, 0));
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetSize("size", size));
    EXPECT_EQ(size, QSize(60, 20));
    EXPECT_FALSE(parser_.NextAttribute());

    ASSERT_TRUE(parser_.FindSection("[ERadio2]"));
    ASSERT_TRUE(parser_.NextAttribute());
    second = QPoint(5, 5);
    ASSERT_TRUE(parser_.GetQuad("position", first, second));
    EXPECT_EQ(first, QPoint(10, 20));
    EXPECT_EQ(second, QPoint(0, 0)); // 10,20 alone leaves the second point at (0, 0)

    QFont font;
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetFont("font", font));
    EXPECT_EQ(font.family(), "Arial");
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_TRUE(font.bold());
    EXPECT_TRUE(font.italic());
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetFont("font", font));
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_FALSE(font.bold()); // " bold" begins with a blank
    EXPECT_FALSE(font.italic());

    QColor color;
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetColor("color_background", color));
    EXPECT_EQ(color, QColor(255, 0, 0));
    color = QColor(1, 2, 3);
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetColor("color_background", color));
    EXPECT_EQ(color, QColor(255, 0, 0)); // blue left at 0

    QRegion region(0, 0, 10, 10);
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.GetRegion("region", region));
    EXPECT_TRUE(region.isEmpty()); // "void" removes the region
    EXPECT_FALSE(parser_.NextAttribute());
}

TEST_F(SkinParserTest, GettersTakeOnlyTheirKeyWithAValue) {
    OpenSkin("[SText1]\n"
             "position = 3,4\n"
             "caption =\n"
             "mouseover =\n"
             "Size = 1,1\n"
             "maximum_length = 12 chars\n"
             "multiline = 1\n"
             "caption = Stop all  \n"
             "font = Tahoma,16,normal,underline\n"
             "= orphan value\n");
    QPoint point(-1, -1);
    QSize size(-1, -1);
    QString text = "kept";
    int number = -5;
    bool flag = false;
    At("[SText1]");
    EXPECT_FALSE(parser_.GetSize("size", size)); // another key
    EXPECT_FALSE(parser_.HasKey("size"));
    EXPECT_TRUE(parser_.GetPair("position", point));
    EXPECT_EQ(point, QPoint(3, 4));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.HasKey("caption"));
    EXPECT_FALSE(parser_.GetString("caption", text)); // empty value
    EXPECT_EQ(text, "kept");
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.HasKey("mouseover")); // presence alone
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_FALSE(parser_.GetSize("size", size)); // letter case counts
    EXPECT_EQ(size, QSize(-1, -1));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.GetInt("maximum_length", number));
    EXPECT_EQ(number, 12);
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.GetFlag("multiline", flag));
    EXPECT_TRUE(flag);
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.GetString("caption", text));
    EXPECT_EQ(text, "Stop all");
    ASSERT_TRUE(parser_.NextAttribute());
    QFont font;
    ASSERT_TRUE(parser_.GetFont("font", font));
    EXPECT_EQ(font.family(), "Tahoma");
    EXPECT_EQ(font.pixelSize(), 16); // a positive (cell) height is taken as the pixel size
    EXPECT_TRUE(font.underline());
    EXPECT_FALSE(font.bold());
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_EQ(parser_.Key(), "");
    EXPECT_FALSE(parser_.HasKey(""));
    EXPECT_FALSE(parser_.GetString("", text));
    EXPECT_FALSE(parser_.NextAttribute());
}

TEST_F(SkinParserTest, IndexedKeys) {
    OpenSkin("[EmList]\n"
             "bitmap_up = plain\n"
             "max_items2 = 7\n"
             "max_items = 3\n"
             "max_items12 = 9\n");
    int items = -1;
    parser_.SetKeyIndex(2);
    EXPECT_EQ(parser_.KeyIndex(), 2);
    At("[EmList]");
    EXPECT_FALSE(parser_.HasKey("bitmap_up"));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.HasKey("max_items"));
    EXPECT_TRUE(parser_.GetInt("max_items", items));
    EXPECT_EQ(items, 7);
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_FALSE(parser_.GetInt("max_items", items));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_FALSE(parser_.GetInt("max_items", items)); // 12 is not 2
    parser_.SetKeyIndex(-1);
    At("[EmList]");
    ASSERT_TRUE(parser_.NextAttribute());
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.GetInt("max_items", items));
    EXPECT_EQ(items, 3);
    parser_.SetKeyIndex(12);
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_TRUE(parser_.GetInt("max_items", items));
    EXPECT_EQ(items, 9);
}

TEST_F(SkinParserTest, BinaryGarbageValuesAreRefusedByEveryGetter) {
    const std::string garbage("\x01\xff\x80,\x02\x7f\xfe", 7);
    OpenSkin("[X]\nk = " + garbage + "\n");
    At("[X]");
    int number = 4;
    bool flag = true;
    QColor color(1, 2, 3);
    QPoint point(5, 6);
    QPoint second(7, 8);
    QSize size(9, 10);
    QFont font("Kept", 11);
    QString text = "kept";
    QImage image(1, 1, QImage::Format_RGB32);
    QRegion region(0, 0, 2, 2);
    QCursor cursor(Qt::CrossCursor);
    QString path = "kept";
    EXPECT_FALSE(parser_.GetInt("k", number));
    EXPECT_FALSE(parser_.GetFlag("k", flag));
    EXPECT_FALSE(parser_.GetColor("k", color));
    EXPECT_FALSE(parser_.GetPair("k", point));
    EXPECT_FALSE(parser_.GetQuad("k", point, second));
    EXPECT_FALSE(parser_.GetSize("k", size));
    EXPECT_FALSE(parser_.GetFont("k", font));
    EXPECT_FALSE(parser_.GetString("k", text));
    EXPECT_FALSE(parser_.GetBitmap("k", image));
    EXPECT_FALSE(parser_.GetRegion("k", region));
    EXPECT_FALSE(parser_.GetCursor("k", cursor));
    EXPECT_FALSE(parser_.GetFile("k", path));
    EXPECT_EQ(number, 4);
    EXPECT_TRUE(flag);
    EXPECT_EQ(color, QColor(1, 2, 3));
    EXPECT_EQ(point, QPoint(5, 6));
    EXPECT_EQ(second, QPoint(7, 8));
    EXPECT_EQ(size, QSize(9, 10));
    EXPECT_EQ(font.family(), "Kept");
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(image.size(), QSize(1, 1));
    EXPECT_EQ(region, QRegion(0, 0, 2, 2));
    EXPECT_EQ(cursor.shape(), Qt::CrossCursor);
    EXPECT_EQ(path, "kept");
    for (const char* form : {"color", "positions", "size", "font", "string"})
        EXPECT_TRUE(trace_.Has("couldn't dissolve " + garbage + " to " + form)) << form;
    EXPECT_TRUE(trace_.Has("couldn't load bitmap " + garbage));
    EXPECT_TRUE(trace_.Has("couldn't load region " + garbage));
    EXPECT_TRUE(trace_.Has("couldn't load cursor from file " + garbage));
    EXPECT_TRUE(trace_.Has("couldn't find file " + garbage));

    // A whole file of garbage opens and yields nothing.
    std::string noise;
    for (int i = 0; i < 20000; ++i)
        noise += static_cast<char>((i * 2654435761u) >> 24);
    OpenSkin(noise);
    EXPECT_FALSE(parser_.FindSection("[Velmar]"));
    EXPECT_FALSE(parser_.NextAttribute());
}

TEST_F(SkinParserTest, GetFileGivesTheFullPathOfAnExistingFile) {
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir_.File("skins/en"))));
    testsupport::WriteFile(dir_.File("skins/en/bg.bmp"), "x");
    OpenSkin("[Velmar]\nbitmap = .\\skins\\en\\bg.bmp\nregion = skins/en/missing.rgn\n"
             "bitmap = skins\n");
    QString path;
    At("[Velmar]");
    ASSERT_TRUE(parser_.GetFile("bitmap", path));
    EXPECT_EQ(path, QString::fromStdString(dir_.File("skins/en/bg.bmp")));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_FALSE(parser_.GetFile("region", path));
    EXPECT_TRUE(trace_.Has("couldn't find file skins/en/missing.rgn"));
    ASSERT_TRUE(parser_.NextAttribute());
    EXPECT_FALSE(parser_.GetFile("bitmap", path)); // a folder is no file
    EXPECT_EQ(path, QString::fromStdString(dir_.File("skins/en/bg.bmp")));
}
