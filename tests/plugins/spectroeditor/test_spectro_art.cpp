// Spectro's editor artwork as compiled into the plug-in: pictures the editor can draw as they
// are, fonts that hold every text the editor shows, and a generator that gives the same bytes.
#include <gtest/gtest.h>

#include "child_process.h"
#include "spectro_art.h"
#include "spectro_controls.h"
#include "temp_dir.h"

#include <algorithm>
#include <set>
#include <string>

namespace {

using spectro::ControlId;
namespace art = spectro::art;

int Advance(const art::Font& font, const std::string& text) {
    int sum = 0;
    for (char c : text) {
        const int i = static_cast<unsigned char>(c) - art::kFirstGlyph;
        EXPECT_TRUE(i >= 0 && i < art::kGlyphCount) << text;
        if (i >= 0 && i < art::kGlyphCount)
            sum += font.glyphs[i].advance;
    }
    return sum;
}

TEST(SpectroArt, PicturesHaveTheirSizesAndPremultipliedPixels) {
    struct Expected {
        const char* name;
        const art::Picture& picture;
        int width, height;
    };
    const Expected pictures[] = {
        {"background", art::kBackground, 300, 250},
        {"slider track", art::kSliderTrack, 25, 160},
        {"slider handle", art::kSliderHandle, 21, 20},
        {"slider handle under the mouse", art::kSliderHandleHover, 21, 20},
        {"menu face", art::kMenuFace, 50, 29},
        {"menu face under the mouse", art::kMenuFaceHover, 50, 29},
        {"display face", art::kDisplayFace, 25, 15},
        {"freeze button", art::kFreezeButton, 78, 78},
        {"freeze button under the mouse", art::kFreezeButtonHover, 78, 78},
        {"splash", art::kSplash, 262, 218},
    };
    for (const Expected& e : pictures) {
        SCOPED_TRACE(e.name);
        ASSERT_EQ(e.picture.width, e.width);
        ASSERT_EQ(e.picture.height, e.height);
        ASSERT_NE(e.picture.pixels, nullptr);
        int badPixels = 0;
        for (int i = 0; i < e.width * e.height; ++i) {
            const std::uint32_t p = e.picture.pixels[i];
            const std::uint32_t a = p >> 24;
            if (((p >> 16) & 0xff) > a || ((p >> 8) & 0xff) > a || (p & 0xff) > a)
                ++badPixels;
            if (&e.picture == &art::kBackground && a != 0xff)
                ++badPixels;
        }
        EXPECT_EQ(badPixels, 0);
    }
    // The freeze button's two states differ, and every control looks different under the mouse.
    const std::uint32_t* off = art::kFreezeButton.pixels;
    const std::uint32_t* on = off + 78 * 39;
    EXPECT_FALSE(std::equal(off, on, on));
    for (const auto& [plain, hover] : {std::pair{&art::kSliderHandle, &art::kSliderHandleHover},
                                       {&art::kMenuFace, &art::kMenuFaceHover},
                                       {&art::kFreezeButton, &art::kFreezeButtonHover}}) {
        const int size = plain->width * plain->height;
        EXPECT_FALSE(std::equal(plain->pixels, plain->pixels + size / 2, hover->pixels));
        EXPECT_FALSE(
            std::equal(plain->pixels + size / 2, plain->pixels + size, hover->pixels + size / 2));
    }
}

TEST(SpectroArt, FontsHoldEveryTextTheEditorShows) {
    for (const art::Font* font : {&art::kValueFont, &art::kListFont}) {
        ASSERT_NE(font->coverage, nullptr);
        EXPECT_GT(font->ascent, 0);
        EXPECT_LT(font->ascent, font->height);
        for (const art::Glyph& g : font->glyphs) {
            EXPECT_GE(g.x, 0);
            EXPECT_LE(g.x + g.width, font->stripWidth);
        }
        EXPECT_GT(Advance(*font, "0"), 0);
    }
    // Every text a display can show fits inside the display's border, every menu entry inside
    // the menu face's border with 2 px to spare at each side.
    const spectro::Rect display = spectro::SpecOf(ControlId::GateDisplay).rect;
    EXPECT_LE(art::kValueFont.height, display.Height() - 2);
    std::set<std::string> texts;
    for (ControlId id : {ControlId::GateDisplay, ControlId::BlurDisplay, ControlId::PitchDisplay})
        for (int i = 0; i <= 1000; ++i)
            texts.insert(spectro::DisplayText(id, static_cast<float>(i) / 1000.0f));
    for (const std::string& text : texts)
        EXPECT_LE(Advance(art::kValueFont, text), display.Width() - 2) << text;
    const spectro::Rect menu = spectro::SpecOf(ControlId::FftMenu).rect;
    for (ControlId id : {ControlId::FftMenu, ControlId::OverlapsMenu, ControlId::WindowMenu})
        for (const std::string& entry : spectro::MenuEntries(id))
            EXPECT_LE(Advance(art::kValueFont, entry), menu.Width() - 6) << entry;
}

TEST(SpectroArt, TheGeneratorGivesTheSameBytesAsTheBuild) {
    testsupport::TempDir dir;
    auto run = [&dir](const std::string& name) {
        const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") +
                                    VOXWARP_SPECTRO_ART_TOOL + "' --theme '" + VOXWARP_SOURCE_DIR +
                                    "/data/art/theme.ini' --out '" + dir.File(name) + "' 2>&1";
        std::string output;
        EXPECT_EQ(testsupport::RunShell(command, &output), 0) << output;
        return testsupport::ReadFile(dir.File(name));
    };
    const std::string first = run("first.cpp");
    EXPECT_FALSE(first.empty());
    // Compared as booleans: a difference would print two megabytes of source.
    EXPECT_TRUE(first == run("second.cpp"));
    EXPECT_TRUE(first == testsupport::ReadFile(VOXWARP_SPECTRO_ART_SOURCE));
}

} // namespace
