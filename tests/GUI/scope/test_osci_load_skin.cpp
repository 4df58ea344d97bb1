// OSCI's LoadSkin (Parts 7.3, 7.9): position pair, size, region and the two
// colours.
#include "scope/osci.h"
#include "skin/skin_parser.h"
#include "skin_test_files.h"
#include "temp_dir.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(OsciLoadSkin, ReadsPlaceRegionAndColours) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("osci.rgn"),
                         testsupport::RegionData({{2, 0, 38, 22}}));
  testsupport::WriteFile(dir.File("test.sdf"), "id = test\n"
                                               "[Osci]\n"
                                               "position = 30,40\n"
                                               "size = 40,22\n"
                                               "region = osci.rgn\n"
                                               "color_background = 13,17,23\n"
                                               "color_foreground = 70,224,138\n"
                                               "\n"
                                               "[Plain]\n"
                                               "size = 10,12\n");
  CSkinParser parser;
  ASSERT_TRUE(parser.Open(QString::fromStdString(dir.File("test.sdf"))));
  OSCI view;
  ASSERT_TRUE(view.LoadSkin(parser, "[Osci]"));
  EXPECT_EQ(view.geometry(), QRect(30, 40, 40, 22));
  EXPECT_EQ(view.mask(), QRegion(2, 0, 36, 22));
  EXPECT_EQ(view.BackgroundColor(), QColor(13, 17, 23));
  EXPECT_EQ(view.ForegroundColor(), QColor(70, 224, 138));
  const QImage image = view.grab().toImage();
  EXPECT_EQ(QColor(image.pixel(5, 3)), QColor(13, 17, 23));
  EXPECT_EQ(QColor(image.pixel(5, 10)), QColor(70, 224, 138));

  OSCI plain; // colours absent: the defaults stay
  ASSERT_TRUE(plain.LoadSkin(parser, "[Plain]"));
  EXPECT_EQ(plain.size(), QSize(10, 12));
  EXPECT_EQ(plain.BackgroundColor(), QColor(0, 0, 0));
  EXPECT_EQ(plain.ForegroundColor(), QColor(0, 204, 0));
  EXPECT_FALSE(plain.LoadSkin(parser, "[Missing]"));
}
