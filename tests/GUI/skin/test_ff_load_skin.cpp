// LoadSkin of each skinned control (Parts 7.3 and 7.4) from a small skin file
// written by the test: the attributes each control reads, index suffixes, and
// what a failed load leaves.
#include "debug_trace_capture.h"
#include "ff_test_util.h"
#include "scope/osci.h"
#include "skin/ff_button.h"
#include "skin/ff_list_box.h"
#include "skin/ff_slider_ctrl.h"
#include "skin/ff_static_text.h"
#include "skin/pn_list_box.h"
#include "skin/skin_parser.h"
#include "skin_test_files.h"
#include "temp_dir.h"

using fftest::AllPixels;
using fftest::Pixel;
using fftest::Render;
using P = CFFButton::Picture;

namespace {

constexpr std::uint32_t kRed = 0xC80000, kGreen = 0x00C800, kBlue = 0x0000C8, kGray = 0x5A3C1E,
                        kCyan = 0x00C8C8, kPink = 0xC800C8, kOlive = 0xC8C800;

QColor Rgb(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

// A skin folder with a few pictures and a region, and the skin file's text.
class SkinFiles {
public:
    SkinFiles() {
        for (auto [name, rgb] : {std::pair{"up", kRed},
                                 {"do", kGreen},
                                 {"mo", kBlue},
                                 {"da", kGray},
                                 {"pu", kCyan},
                                 {"pd", kPink},
                                 {"od", kOlive},
                                 {"ad", 0x1E3C5AU}})
            testsupport::WriteFile(dir_.File(std::string(name) + ".bmp"),
                                   testsupport::Bmp24(30, 16, rgb));
        testsupport::WriteFile(dir_.File("left.rgn"), testsupport::RegionData({{0, 0, 15, 16}}));
    }
    // Writes the skin and opens the parser on it.
    bool Open(CSkinParser& parser, const std::string& text) {
        testsupport::WriteFile(dir_.File("test.sdf"), "id = test\n" + text);
        return parser.Open(QString::fromStdString(dir_.File("test.sdf")));
    }
    std::string File(const std::string& name) const { return dir_.File(name); }

private:
    testsupport::TempDir dir_;
};

} // namespace

TEST(FFButtonLoadSkin, ReadsTheButtonVocabulary) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[ERadio1] the first slot\n"
                                   "position = 10,20,99,99\n"
                                   "size = 30,16\n"
                                   "bitmap_up = up.bmp\n"
                                   "bitmap_off_do = do.bmp\n"
                                   "bitmap_mo = mo.bmp\n"
                                   "font_color_up = 255,0,0\n"
                                   "font_color_mo = 0,0,255\n"
                                   "font_color_do = 0,255,0\n"
                                   "font_color_do_mo = 1,2,3\n"
                                   "font = DejaVu Sans,-12,bold\n"
                                   "align = 0,2\n"
                                   "xbounds = 2,28\n"
                                   "bitmap_off_da = da.bmp\n"
                                   "caption = 1\n"
                                   "bitmap_od = od.bmp\n"
                                   "bitmap_ad = ad.bmp\n"
                                   "bitmap_pd = pd.bmp\n"
                                   "bitmap_pu = pu.bmp\n"
                                   "region = left.rgn\n"
                                   "multiline = 1\n"
                                   "mouseover = 0\n" // presence alone switches it on
                                   "unknown_key = 5\n"
                                   "\n"
                                   "[Other]\n"));
    fftest::Host host;
    auto* button = new CFFButton(CFFButton::Kind::Radio, &host);
    ASSERT_TRUE(button->LoadSkin(parser, "[ERadio1]", -1));
    EXPECT_EQ(button->geometry(), QRect(10, 20, 30, 16));
    EXPECT_EQ(button->text(), QString("1"));
    EXPECT_TRUE(button->font().bold());
    EXPECT_TRUE(button->MouseOverTracking());
    EXPECT_EQ(button->Region(), QRegion(0, 0, 15, 16));
    EXPECT_EQ(button->CaptionColorOf(CFFButton::ColUp), QColor(255, 0, 0));
    EXPECT_EQ(button->CaptionColorOf(CFFButton::ColMouseOver), QColor(0, 0, 255));
    EXPECT_EQ(button->CaptionColorOf(CFFButton::ColDown), QColor(0, 255, 0));
    EXPECT_EQ(button->CaptionColorOf(CFFButton::ColDownMouseOver), QColor(1, 2, 3));
    const std::pair<P, std::uint32_t> pictures[] = {{P::PicUp, kRed},
                                                    {P::PicDown, kGreen},
                                                    {P::PicMouseOver, kBlue},
                                                    {P::PicDisabled, kGray},
                                                    {P::PicCheckedUp, kPink},
                                                    {P::PicCheckedDown, kCyan},
                                                    {P::PicCheckedMouseOver, kOlive},
                                                    {P::PicCheckedDisabled, 0x1E3C5A}};
    for (auto [picture, rgb] : pictures) {
        ASSERT_FALSE(button->PictureImage(picture).isNull()) << picture;
        EXPECT_EQ(Pixel(button->PictureImage(picture), 3, 3), Rgb(rgb)) << picture;
    }
}

TEST(FFButtonLoadSkin, TheOnKeysFillTheCheckedPictures) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[DevLed]\n"
                                   "position = 1,2,0,0\n"
                                   "size = 30,16\n"
                                   "bitmap_on_up = pd.bmp\n"
                                   "bitmap_on_do = pu.bmp\n"
                                   "bitmap_on_mo = od.bmp\n"
                                   "bitmap_on_da = ad.bmp\n"));
    fftest::Host host;
    auto* led = new CFFButton(CFFButton::Kind::Radio, &host);
    ASSERT_TRUE(led->LoadSkin(parser, "[DevLed]"));
    EXPECT_EQ(Pixel(led->PictureImage(P::PicCheckedUp), 0, 0), Rgb(kPink));
    EXPECT_EQ(Pixel(led->PictureImage(P::PicCheckedDown), 0, 0), Rgb(kCyan));
    EXPECT_EQ(Pixel(led->PictureImage(P::PicCheckedMouseOver), 0, 0), Rgb(kOlive));
    EXPECT_EQ(Pixel(led->PictureImage(P::PicCheckedDisabled), 0, 0), Rgb(0x1E3C5A));
    EXPECT_TRUE(led->PictureImage(P::PicUp).isNull());
    EXPECT_FALSE(led->MouseOverTracking());
    // The lit LED: disabled and checked.
    led->setEnabled(false);
    led->setChecked(true);
    host.ShowAndWait();
    EXPECT_TRUE(AllPixels(Render(*led), Rgb(0x1E3C5A)));
}

TEST(FFButtonLoadSkin, DrawsThePicturesItRead) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[Options]\n"
                                   "position = 4,4,0,0\n"
                                   "size = 30,16\n"
                                   "bitmap_up = up.bmp\n"
                                   "bitmap_do = do.bmp\n"
                                   "bitmap_mo = mo.bmp\n"
                                   "mouseover = 1\n"));
    fftest::Host host;
    auto* button = new CFFButton(CFFButton::Kind::Push, &host);
    ASSERT_TRUE(button->LoadSkin(parser, "[Options]"));
    host.ShowAndWait();
    EXPECT_TRUE(AllPixels(Render(*button), Rgb(kRed)));
    QTest::mouseMove(button, QPoint(5, 5));
    EXPECT_TRUE(AllPixels(Render(*button), Rgb(kBlue)));
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(AllPixels(Render(*button), Rgb(kGreen)));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(5, 5));
}

TEST(FFButtonLoadSkin, IndexedKeysAndTheEssentialAttributes) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[State]\n"
                                   "position = 99,99,0,0\n"
                                   "position2 = 10,20,0,0\n"
                                   "size2 = 30,16\n"
                                   "bitmap_up2 = up.bmp\n"
                                   "bitmap_do2 = do.bmp\n"
                                   "bitmap_mo2 = mo.bmp\n"
                                   "mouseover2 = x\n"
                                   "position3 = 50,60,0,0\n"
                                   "size3 = 30,16\n"
                                   "bitmap_up3 = up.bmp\n"
                                   "bitmap_mo3 = mo.bmp\n"));
    fftest::Host host;
    auto* button = new CFFButton(CFFButton::Kind::Push, &host);
    ASSERT_TRUE(button->LoadSkin(parser, "[State]", 2));
    EXPECT_EQ(button->geometry(), QRect(10, 20, 30, 16));
    EXPECT_TRUE(button->MouseOverTracking());
    EXPECT_EQ(Pixel(button->PictureImage(P::PicDown), 0, 0), Rgb(kGreen));

    // State 3 lacks its down picture: skipped, reported, nothing applied.
    testsupport::DebugTraceCapture trace;
    auto* other = new CFFButton(CFFButton::Kind::Push, &host);
    other->setGeometry(1, 1, 5, 5);
    EXPECT_FALSE(other->LoadSkin(parser, "[State]", 3));
    EXPECT_TRUE(trace.Has("parseSkin skipped state 3 for [State]"));
    EXPECT_EQ(other->geometry(), QRect(1, 1, 5, 5));
    EXPECT_TRUE(other->PictureImage(P::PicUp).isNull());

    // Without an index the plain keys are read and nothing is essential.
    trace.Clear();
    EXPECT_TRUE(other->LoadSkin(parser, "[State]", -1));
    EXPECT_EQ(other->pos(), QPoint(99, 99));
    EXPECT_TRUE(trace.Lines().empty());
}

TEST(FFButtonLoadSkin, MissingSectionFailsAndBadLinesAreSkipped) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[Help]\n"
                                   "position = 3,4,0,0\n"
                                   "bitmap_up = missing.bmp\n"
                                   "bitmap_off_up = up.bmp\n"
                                   "region = void\n"));
    fftest::Host host;
    auto* button = new CFFButton(CFFButton::Kind::Push, &host);
    EXPECT_FALSE(button->LoadSkin(parser, "[About]"));
    button->SetRegion(QRegion(0, 0, 2, 2));
    ASSERT_TRUE(button->LoadSkin(parser, "[Help]"));
    EXPECT_EQ(button->pos(), QPoint(3, 4));
    EXPECT_EQ(Pixel(button->PictureImage(P::PicUp), 0, 0), Rgb(kRed));
    EXPECT_TRUE(button->Region().isEmpty()); // "void" removes the region
    EXPECT_TRUE(button->mask().isEmpty());
}

TEST(FFStaticTextLoadSkin, ReadsPlaceLengthFontAndColour) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[EText1]\n"
                                   "position = 12,34\n"
                                   "size = 100,18\n"
                                   "maximum_length = 6\n"
                                   "font = DejaVu Sans,-13,bold,italic\n"
                                   "font_color = 230,233,239\n"));
    fftest::Host host;
    auto* text = new CFFStaticText(&host);
    text->SetText("Deep voice");
    ASSERT_TRUE(text->LoadSkin(parser, "[EText1]"));
    EXPECT_EQ(text->geometry(), QRect(12, 34, 100, 18));
    EXPECT_EQ(text->MaximumLength(), 6);
    EXPECT_EQ(text->text(), QString("Deep ") + QChar(0x2026));
    EXPECT_EQ(text->FullText(), QString("Deep voice"));
    EXPECT_TRUE(text->font().bold());
    EXPECT_TRUE(text->font().italic());
    EXPECT_EQ(text->TextColor(), QColor(230, 233, 239));
    EXPECT_FALSE(text->LoadSkin(parser, "[EText2]"));
}

TEST(FFSliderCtrlLoadSkin, ReadsPicturesColourAndOrientation) {
    SkinFiles files;
    testsupport::WriteFile(files.File("thumb.bmp"), testsupport::Bmp24(16, 10, [](int x, int) {
                               return x < 8 ? 0xFF00FFU : 0xFFFF00U;
                           }));
    testsupport::WriteFile(files.File("back.bmp"), testsupport::Bmp24(4, 4, 0x000080));
    testsupport::WriteFile(files.File("chan.bmp"), testsupport::Bmp24(6, 4, 0x00FF00));
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[SSlider1]\n"
                                   "position = 5,6,0,0\n"
                                   "size = 20,110\n"
                                   "bitmap_background = back.bmp\n"
                                   "bitmap_channel = chan.bmp\n"
                                   "bitmap_thumb = thumb.bmp\n"
                                   "bitmap_thumb_transparent_color = 255,0,255\n"
                                   "orientation = vertical\n"));
    fftest::Host host;
    auto* slider = new CFFSliderCtrl(&host);
    ASSERT_TRUE(slider->LoadSkin(parser, "[SSlider1]"));
    EXPECT_EQ(slider->geometry(), QRect(5, 6, 20, 110));
    EXPECT_EQ(slider->orientation(), Qt::Vertical);
    slider->setValue(100); // the thumb at the top: 2..17 x 0..9
    host.ShowAndWait();
    const QImage image = Render(*slider);
    EXPECT_EQ(Pixel(image, 0, 50), QColor(0, 0, 128));  // background, stretched
    EXPECT_EQ(Pixel(image, 10, 50), QColor(0, 255, 0)); // channel 7..12
    EXPECT_TRUE(AllPixels(image, QColor(255, 255, 0), QRect(10, 0, 8, 10)));
    EXPECT_EQ(Pixel(image, 3, 5), QColor(0, 0, 128)); // transparent: the background
    EXPECT_EQ(Pixel(image, 8, 5), QColor(0, 255, 0)); // transparent: the channel
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(10, 55));
    EXPECT_EQ(slider->value(), 50);
}

TEST(FFListBoxLoadSkin, ReadsColoursAndFont) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[List]\n"
                                   "position = 7,8,0,0\n"
                                   "size = 150,90\n"
                                   "color_background = 1,2,3\n"
                                   "color_foreground = 4,5,6\n"
                                   "color_selbg = 7,8,9\n"
                                   "color_sel = 10,11,12\n"
                                   "color_currbg = 13,14,15\n"
                                   "color_curr = 16,17,18\n"
                                   "font = DejaVu Sans,-14,bold\n"));
    fftest::Host host;
    auto* list = new CFFListBox(&host);
    ASSERT_TRUE(list->LoadSkin(parser, "[List]"));
    EXPECT_EQ(list->geometry(), QRect(7, 8, 150, 90));
    EXPECT_EQ(list->Color(CFFListBox::NormalBackground), QColor(1, 2, 3));
    EXPECT_EQ(list->Color(CFFListBox::NormalText), QColor(4, 5, 6));
    EXPECT_EQ(list->Color(CFFListBox::SelectedBackground), QColor(7, 8, 9));
    EXPECT_EQ(list->Color(CFFListBox::SelectedText), QColor(10, 11, 12));
    EXPECT_EQ(list->Color(CFFListBox::CurrentBackground), QColor(13, 14, 15));
    EXPECT_EQ(list->Color(CFFListBox::CurrentText), QColor(16, 17, 18));
    EXPECT_TRUE(list->font().bold());
    EXPECT_EQ(list->font().pixelSize(), 14);
}

TEST(PNListBoxLoadSkin, MaxItemsThenTheChooseButtonThenTheList) {
    SkinFiles files;
    CSkinParser parser;
    ASSERT_TRUE(files.Open(parser, "[EmList]\n"
                                   "max_items = 60\n"
                                   "position = 7,8,0,0\n"
                                   "size = 150,90\n"
                                   "color_selbg = 63,182,255\n"
                                   "\n"
                                   "[EmoticConfig]\n"
                                   "position = 0,0,0,0\n"
                                   "size = 30,16\n"
                                   "bitmap_up = up.bmp\n"
                                   "bitmap_do = do.bmp\n"
                                   "bitmap_mo = mo.bmp\n"
                                   "mouseover = 1\n"
                                   "\n"
                                   "[NoLimit]\n"
                                   "size = 100,50\n"));
    fftest::Host host;
    auto* list = new CPNListBox(&host);
    ASSERT_TRUE(list->LoadSkin(parser, "[EmList]"));
    EXPECT_EQ(list->MaxItems(), 60);
    EXPECT_EQ(list->geometry(), QRect(7, 8, 150, 90));
    EXPECT_EQ(list->Color(CFFListBox::SelectedBackground), QColor(63, 182, 255));
    EXPECT_EQ(list->ChooseButton()->size(), QSize(30, 16));
    EXPECT_TRUE(list->ChooseButton()->MouseOverTracking());
    EXPECT_EQ(Pixel(list->ChooseButton()->PictureImage(P::PicUp), 0, 0), Rgb(kRed));

    auto* other = new CPNListBox(&host);
    ASSERT_TRUE(other->LoadSkin(parser, "[NoLimit]"));
    EXPECT_EQ(other->MaxItems(), -1);
    EXPECT_FALSE(other->LoadSkin(parser, "[Missing]"));
}
