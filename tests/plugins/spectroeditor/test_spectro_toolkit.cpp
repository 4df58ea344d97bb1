// The editor's widget toolkit without a window: blending, and what mouse and keys do to the
// controls and what the listener hears.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "canvas.h"
#include "frame.h"
#include "spectro_art.h"
#include "widgets.h"

namespace {

using namespace spectro;

// Records what the controls tell: "begin 3", "3=0.5", "end 3".
struct Recorder : ControlListener {
    void valueChanged(Control& c) override {
        char text[32];
        std::snprintf(text, sizeof text, "%d=%g", c.tag(), c.value());
        heard.push_back(text);
    }
    void beginEdit(Control& c) override { heard.push_back("begin " + std::to_string(c.tag())); }
    void endEdit(Control& c) override { heard.push_back("end " + std::to_string(c.tag())); }
    std::vector<std::string> heard;
};

const art::Picture* const kMenuFaces[2] = {&art::kMenuFace, &art::kMenuFaceHover};

struct Pictures {
    std::vector<std::uint32_t> background = std::vector<std::uint32_t>(300 * 250, 0xff000000);
    std::vector<std::uint32_t> track = std::vector<std::uint32_t>(25 * 160, 0xff101010);
    std::vector<std::uint32_t> handle = std::vector<std::uint32_t>(21 * 20, 0xffffffff);
    std::vector<std::uint32_t> handleHover = std::vector<std::uint32_t>(21 * 20, 0xff808080);
    art::Picture Background() const { return {300, 250, background.data()}; }
};

class Toolkit : public ::testing::Test {
protected:
    Toolkit() : background_(pictures_.Background()), frame_(background_, Style()) {}
    static Frame::Style Style() {
        return {&art::kListFont, 0x111111, 0x222222, 0x333333, 0xeeeeee, 0x3fb6ff, 0x3fb6ff};
    }
    VerticalSlider& AddSlider(float value) {
        static const Pictures p;
        static const art::Picture track{25, 160, p.track.data()};
        static const art::Picture handle{21, 20, p.handle.data()};
        static const art::Picture handleHover{21, 20, p.handleHover.data()};
        static const art::Picture* const handles[2] = {&handle, &handleHover};
        auto& slider = static_cast<VerticalSlider&>(frame_.add(std::make_unique<VerticalSlider>(
            Rect{25, 20, 50, 180}, 5, recorder_, track, handles, 20, 159, 0.5f)));
        slider.setValue(value);
        return slider;
    }
    OptionMenu& AddMenu(const Rect& r) {
        return static_cast<OptionMenu&>(frame_.add(std::make_unique<OptionMenu>(
            r, 1, recorder_, kMenuFaces, art::kValueFont, 0xffffff, Rect{2, 1, 48, 20},
            std::vector<std::string>{"256", "512", "1024", "2048", "4096", "8192"})));
    }

    Pictures pictures_;
    art::Picture background_;
    Recorder recorder_;
    Frame frame_;
};

TEST(SpectroCanvas, BlendsPremultipliedPixelsAndStaysInside) {
    const std::uint32_t half[] = {0x80808080, 0x00000000, 0xff3fb6ff};
    Canvas canvas(3, 1);
    canvas.Fill({0, 0, 3, 1}, 0x000000);
    canvas.Draw({3, 1, half}, 0, 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x808080u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0x000000u);
    EXPECT_EQ(canvas.Pixel(2, 0), 0x3fb6ffu);
    canvas.Fill({0, 0, 3, 1}, 0xffffff);
    canvas.Draw({3, 1, half}, 0, 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0xffffffu); // half white over white stays white
    // Pictures and fills reaching outside the canvas draw only what is inside.
    canvas.Draw({3, 1, half}, 2, -1);
    canvas.Draw({3, 1, half}, 1, 0);
    canvas.Fill({-5, -5, 1, 9}, 0x123456);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0xffffffu);
    EXPECT_EQ(canvas.Pixel(2, 0), 0x3fb6ffu);
    EXPECT_EQ(Canvas::TextWidth(art::kValueFont, "\x01\x7f"),
              2 * art::kValueFont.glyphs[0].advance);
}

TEST_F(Toolkit, SliderDragIsOneEditAndResetsToItsDefault) {
    VerticalSlider& slider = AddSlider(0.0f);
    EXPECT_EQ(slider.handleTopNow(), 159);
    frame_.mouseDown(37, 179, false); // just below the handle: held by its middle
    frame_.mouseMoved(37, 0);         // far above the track: the top
    frame_.mouseMoved(37, -50);       // no change, nothing told
    frame_.mouseUp(37, -50);
    EXPECT_EQ(slider.value(), 1.0f);
    EXPECT_EQ(slider.handleTopNow(), 20);
    const std::vector<std::string> drag{"begin 5", "5=1", "end 5"};
    EXPECT_EQ(recorder_.heard, drag);
    // Control+click: the default; the wheel: small steps, each an edit.
    recorder_.heard.clear();
    frame_.mouseDown(37, 100, true);
    frame_.mouseUp(37, 100);
    EXPECT_EQ(slider.value(), 0.5f);
    frame_.wheel(37, 100, -1);
    EXPECT_NEAR(slider.value(), 0.48f, 1e-6);
    EXPECT_EQ(recorder_.heard.size(), 6u);
}

TEST_F(Toolkit, TheControlUnderTheMouseIsLitAndAHeldOneStaysLit) {
    VerticalSlider& slider = AddSlider(0.0f); // its handle from y 159 down
    Canvas canvas(300, 250);
    auto handleColour = [&](int y) {
        frame_.paint(canvas);
        return canvas.Pixel(37, y);
    };
    EXPECT_EQ(handleColour(170), 0xffffffu);
    frame_.mouseMoved(37, 100);
    EXPECT_EQ(handleColour(170), 0x808080u);
    frame_.mouseMoved(5, 5);
    EXPECT_EQ(handleColour(170), 0xffffffu);
    // Held, it stays lit while the pointer leaves it and the window; let go outside, it is not.
    frame_.mouseDown(37, 170, false);
    frame_.mouseMoved(200, 100);
    frame_.mouseLeft();
    EXPECT_TRUE(slider.hovered());
    frame_.mouseUp(200, 100);
    EXPECT_FALSE(slider.hovered());
    // An open list lights nothing under it.
    AddMenu({175, 25, 225, 54});
    frame_.mouseDown(200, 40, false);
    frame_.mouseUp(200, 40);
    frame_.mouseMoved(200, 40);
    EXPECT_FALSE(frame_.controls().back()->hovered());
}

TEST_F(Toolkit, MenuListChoosesClosesAndKeepsInsideTheWindow) {
    OptionMenu& menu = AddMenu({175, 25, 225, 54});
    menu.setValue(2);
    frame_.mouseDown(200, 40, false);
    frame_.mouseUp(200, 40);
    ASSERT_TRUE(frame_.listOpen());
    const Rect list = frame_.listRect();
    EXPECT_GE(list.top, 54);
    EXPECT_LE(list.bottom, 250);
    EXPECT_GE(list.Width(), 50);
    // A click on the fifth entry chooses it and closes the list.
    frame_.mouseDown(list.left + 5, list.top + 1 + 4 * frame_.listRowHeight() + 2, false);
    EXPECT_FALSE(frame_.listOpen());
    EXPECT_EQ(menu.index(), 4);
    const std::vector<std::string> chosen{"begin 1", "1=4", "end 1"};
    EXPECT_EQ(recorder_.heard, chosen);
    // Opened again and clicked beside: closed, nothing chosen, nothing under it pressed.
    frame_.mouseDown(200, 40, false);
    frame_.mouseDown(5, 5, false);
    EXPECT_FALSE(frame_.listOpen());
    EXPECT_EQ(recorder_.heard, chosen);

    // A menu near the window's bottom opens its list above itself.
    OptionMenu& low = AddMenu({175, 210, 225, 239});
    frame_.mouseDown(200, 220, false);
    ASSERT_TRUE(frame_.listOpen());
    EXPECT_LE(frame_.listRect().bottom, 210);
    EXPECT_GE(frame_.listRect().top, 0);
    // Keys: down twice and Enter choose; the list closes.
    low.setValue(0);
    frame_.key(Key::Down);
    frame_.key(Key::Down);
    frame_.key(Key::Activate);
    EXPECT_FALSE(frame_.listOpen());
    EXPECT_EQ(low.index(), 2);
}

TEST_F(Toolkit, FocusSkipsDisplaysAndTheSplashTakesTheNextClick) {
    VerticalSlider& slider = AddSlider(0.5f);
    frame_.add(std::make_unique<ValueDisplay>(Rect{25, 191, 50, 206}, 5, recorder_,
                                              art::kDisplayFace, art::kValueFont, 0xffffff,
                                              [](float v) { return std::to_string(v); }));
    static const std::uint32_t states[4] = {0xff000000, 0xff000000, 0xffffffff, 0xffffffff};
    const art::Picture statePicture{1, 4, states};
    const art::Picture* const statePictures[2] = {&statePicture, &statePicture};
    auto& button = static_cast<OnOffButton&>(frame_.add(
        std::make_unique<OnOffButton>(Rect{177, 169, 255, 208}, 4, recorder_, statePictures)));
    auto& splash = static_cast<SplashArea&>(frame_.add(std::make_unique<SplashArea>(
        Rect{17, 222, 211, 238}, 10, recorder_, art::kSplash, Rect{15, 15, 277, 233})));
    (void)splash;

    // Tab: slider, then the button (the display takes no focus); Space switches it on.
    frame_.focusNext(false);
    frame_.key(Key::Up);
    EXPECT_NEAR(slider.value(), 0.51f, 1e-6);
    frame_.focusNext(false);
    frame_.key(Key::Activate);
    EXPECT_TRUE(button.on());

    // The splash shows over everything; the click that ends it reaches no control.
    frame_.mouseDown(100, 230, false);
    EXPECT_TRUE(frame_.splashShown());
    recorder_.heard.clear();
    frame_.mouseDown(200, 180, false);
    EXPECT_FALSE(frame_.splashShown());
    EXPECT_TRUE(button.on());
    EXPECT_TRUE(recorder_.heard.empty());
    frame_.takeDirty();
    frame_.mouseDown(200, 180, false);
    EXPECT_FALSE(button.on());
    EXPECT_GT(frame_.takeDirty().Width(), 0);
}

} // namespace
