// Spectro's editor in a plain Xlib host on a real X server: it opens at its size, draws what its
// controls show, takes real clicks and drags (XTEST) at its controls, follows the host's
// parameter changes on the next idle, and leaves nothing behind when closed or when the host
// destroys its window first.
#include <gtest/gtest.h>

#include <QImage>

#include <dlfcn.h>
#include <malloc.h>

#include <filesystem>
#include <memory>

#include "spectro_art.h"
#include "spectro_window_view.h"
#include "xlib_host.h"

namespace {

using spectro::ControlId;
using spectro::SpecOf;
using namespace spectro::testing;

AEffectEntryProc Entry(const char* plugin) {
    const std::string path = std::string(VOXWARP_BUILD_PROGRAM_DIR) + "/effects/" + plugin;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return library != nullptr ? reinterpret_cast<AEffectEntryProc>(dlsym(library, "VSTPluginMain"))
                              : nullptr;
}

class SpectroEditorX11 : public ::testing::Test {
protected:
    void SetUp() override {
        const AEffectEntryProc entry = Entry("Spectro.so");
        ASSERT_NE(entry, nullptr) << dlerror();
        host_ = std::make_unique<XlibHost>(entry);
        ASSERT_NE(host_->display(), nullptr);
        ASSERT_NE(host_->effect(), nullptr);
    }
    void TearDown() override { host_.reset(); }

    AEffect* effect() { return host_->effect(); }
    float Parameter(int index) { return effect()->getParameter(effect(), index); }
    // Idles until the window shows control id as the toolkit draws it for value p.
    ::testing::AssertionResult Shows(ControlId id, float p) {
        const spectro::Canvas expected = Drawn(id, p);
        const spectro::Rect r = SpecOf(id).rect;
        ::testing::AssertionResult same = ::testing::AssertionFailure();
        host_->idleUntil([&] { return bool(same = SameInside(host_->grab(), expected, r)); });
        return same;
    }

    // A picture of the window for people to look at, in pictures/ beside the program folder.
    static void Save(const std::vector<std::uint32_t>& pixels, const char* name) {
        const std::string folder = std::string(VOXWARP_BUILD_PROGRAM_DIR) + "/../pictures/";
        std::filesystem::create_directories(folder);
        const QImage image(reinterpret_cast<const uchar*>(pixels.data()), 300, 250,
                           QImage::Format_RGB32);
        EXPECT_TRUE(image.save(QString::fromStdString(folder + name)));
    }

    std::unique_ptr<XlibHost> host_;
};

TEST_F(SpectroEditorX11, OpensAtItsSizeDrawsItsArtworkAndClosesCleanly) {
    EXPECT_TRUE(effect()->flags & effFlagsHasEditor);
    ASSERT_EQ(host_->openEditor(), 1);
    ERect* rect = nullptr;
    ASSERT_EQ(host_->dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 300);
    EXPECT_EQ(rect->bottom - rect->top, 250);
    EXPECT_EQ(host_->childWindows(), 1);

    // The background where no control is, the pitch slider in the middle, Freeze off.
    EXPECT_TRUE(Shows(ControlId::PitchSlider, 0.5f));
    EXPECT_TRUE(Shows(ControlId::FreezeButton, 0.0f));
    EXPECT_TRUE(Shows(ControlId::PitchDisplay, 0.5f));
    const std::vector<std::uint32_t> picture = host_->grab();
    for (const auto& [x, y] : {std::pair{3, 3}, {160, 100}, {296, 246}, {60, 215}})
        EXPECT_EQ(picture[static_cast<std::size_t>(y) * 300 + x],
                  spectro::art::kBackground.pixels[y * 300 + x] & 0xffffff)
            << x << "," << y;
    Save(picture, "spectro-editor.png");
    // The Freeze button lit under the mouse, and plain again when the mouse leaves it.
    const spectro::Rect freeze = SpecOf(ControlId::FreezeButton).rect;
    host_->point(CentreX(freeze), CentreY(freeze));
    EXPECT_TRUE(host_->idleUntil(
        [&] { return !SameInside(host_->grab(), Drawn(ControlId::FreezeButton, 0.0f), freeze); }));
    Save(host_->grab(), "spectro-editor-hover.png");
    host_->point(1, 1);
    EXPECT_TRUE(Shows(ControlId::FreezeButton, 0.0f));
    // The window type's list, open; then the information splash, shown over everything.
    const spectro::Rect menu = SpecOf(ControlId::WindowMenu).rect;
    host_->click(CentreX(menu), CentreY(menu));
    host_->idleUntil([] { return false; }, 200);
    Save(host_->grab(), "spectro-editor-list.png");
    host_->click(5, 5);
    host_->click(CentreX(SpecOf(ControlId::Splash).rect), CentreY(SpecOf(ControlId::Splash).rect));
    const spectro::Rect card = spectro::kSplashImageRect;
    const std::uint32_t middle =
        spectro::art::kSplash.pixels[card.Height() / 2 * card.Width() + card.Width() / 2];
    EXPECT_TRUE(host_->idleUntil([&] {
        return host_->grab()[static_cast<std::size_t>(CentreY(card)) * 300 + CentreX(card)] ==
               (middle & 0xffffff);
    }));
    Save(host_->grab(), "spectro-editor-splash.png");

    host_->closeEditor();
    EXPECT_EQ(host_->childWindows(), 0);
    // Brevo has no editor.
    const AEffectEntryProc brevo = Entry("Brevo.so");
    ASSERT_NE(brevo, nullptr);
    XlibHost other(brevo);
    EXPECT_FALSE(other.effect()->flags & effFlagsHasEditor);
    EXPECT_EQ(other.openEditor(), 0);
}

TEST_F(SpectroEditorX11, ClicksAndDragsSetParametersAndShowThem) {
    ASSERT_EQ(host_->openEditor(), 1);
    host_->idle();
    int x = 0, y = 0;
    // "x 6" from the overlaps menu's list.
    host_->click(CentreX(SpecOf(ControlId::OverlapsMenu).rect),
                 CentreY(SpecOf(ControlId::OverlapsMenu).rect));
    host_->idle();
    ListEntryCentre(ControlId::OverlapsMenu, 3, x, y);
    host_->click(x, y);
    EXPECT_TRUE(host_->idleUntil([&] { return Parameter(0) == 0.84f; })) << Parameter(0);
    EXPECT_TRUE(Shows(ControlId::OverlapsMenu, 0.84f));
    // "4096" from the FFT size menu, pressed, dragged to the entry and released there.
    ListEntryCentre(ControlId::FftMenu, 4, x, y);
    host_->drag(CentreX(SpecOf(ControlId::FftMenu).rect), CentreY(SpecOf(ControlId::FftMenu).rect),
                x, y);
    EXPECT_TRUE(host_->idleUntil([&] { return Parameter(1) == 0.8f; })) << Parameter(1);
    EXPECT_TRUE(Shows(ControlId::FftMenu, 0.8f));

    // Freeze on: blur 1.0 and its slider at the top.
    const spectro::Rect freeze = SpecOf(ControlId::FreezeButton).rect;
    host_->click(CentreX(freeze), CentreY(freeze));
    EXPECT_TRUE(host_->idleUntil([&] { return Parameter(4) == 1.0f; })) << Parameter(4);
    EXPECT_TRUE(Shows(ControlId::FreezeButton, 1.0f));
    EXPECT_TRUE(Shows(ControlId::BlurSlider, 1.0f));
    Save(host_->grab(), "spectro-editor-freeze.png");
    // The blur slider dragged down from the top: Freeze goes off.
    const spectro::Rect blur = SpecOf(ControlId::BlurSlider).rect;
    host_->drag(CentreX(blur), spectro::kHandleTop + 10, CentreX(blur), spectro::kHandleTop + 80);
    EXPECT_TRUE(host_->idleUntil([&] { return Parameter(4) < 0.6f; })) << Parameter(4);
    EXPECT_TRUE(Shows(ControlId::FreezeButton, 0.0f));
    EXPECT_TRUE(Shows(ControlId::BlurSlider, Parameter(4)));
    EXPECT_TRUE(Shows(ControlId::BlurDisplay, Parameter(4)));

    // Every change reached the host, each bracketed by an edit of its parameter.
    const auto automated = host_->automated();
    ASSERT_FALSE(automated.empty());
    EXPECT_EQ(automated.back().index, 4);
    EXPECT_FLOAT_EQ(automated.back().value, Parameter(4));
    const std::vector<std::string> expectedEdits{"begin 0", "end 0", "begin 1", "end 1",
                                                 "begin 4", "end 4", "begin 4", "end 4"};
    EXPECT_EQ(host_->edits(), expectedEdits);

    // The click gave the window the keyboard and the blur slider the focus: Page Up raises it,
    // Tab moves on to the pitch slider, Up raises that a little.
    const float blurBefore = Parameter(4);
    host_->keys("Page_Up Tab Up");
    EXPECT_TRUE(host_->idleUntil([&] { return Parameter(5) > 0.5f; })) << Parameter(5);
    EXPECT_NEAR(Parameter(4), blurBefore + 0.1f, 1e-5);
    EXPECT_NEAR(Parameter(5), 0.51f, 1e-5);
    Save(host_->grab(), "spectro-editor-keyboard.png"); // the focus mark on the pitch slider
}

TEST_F(SpectroEditorX11, HostChangesShowOnTheNextIdle) {
    ASSERT_EQ(host_->openEditor(), 1);
    for (const float pitch : {0.5f, 0.75f, 0.0f}) {
        effect()->setParameter(effect(), 5, pitch);
        EXPECT_TRUE(Shows(ControlId::PitchDisplay, pitch)) << pitch;
        EXPECT_TRUE(Shows(ControlId::PitchSlider, pitch)) << pitch;
    }
    EXPECT_EQ(spectro::DisplayText(ControlId::PitchDisplay, 0.0f), "-24.0");
    effect()->setParameter(effect(), 4, 0.5f);
    EXPECT_TRUE(Shows(ControlId::BlurDisplay, 0.5f));
    effect()->setParameter(effect(), 2, 0.6f);
    EXPECT_TRUE(Shows(ControlId::WindowMenu, 0.6f));
    // A change while the window is closed shows when it opens again.
    host_->closeEditor();
    effect()->setParameter(effect(), 3, 0.25f);
    ASSERT_EQ(host_->openEditor(), 1);
    EXPECT_TRUE(Shows(ControlId::GateSlider, 0.25f));
    EXPECT_TRUE(Shows(ControlId::GateDisplay, 0.25f));
}

TEST_F(SpectroEditorX11, OpeningFiftyTimesLeavesNoWindowsAndNoMemory) {
    for (int i = 0; i < 3; ++i) { // the first connections fill caches for good
        ASSERT_EQ(host_->openEditor(), 1);
        host_->idle();
        host_->closeEditor();
    }
    const std::size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(host_->openEditor(), 1) << i;
        host_->idle();
        host_->closeEditor();
        ASSERT_EQ(host_->childWindows(), 0) << i;
    }
    EXPECT_LT(mallinfo2().uordblks - before, 64u * 1024) << "bytes kept by 50 editors";
}

TEST_F(SpectroEditorX11, HostWindowDestroyedBeforeCloseLeavesTheHostRunning) {
    ASSERT_EQ(host_->openEditor(), 1);
    host_->idle();
    host_->destroyWindow();
    // Drawing and events for the window that is gone, then the late close.
    effect()->setParameter(effect(), 5, 0.9f);
    for (int i = 0; i < 5; ++i)
        host_->idle();
    host_->closeEditor();
    // The effect still works, and its editor opens again in a new host window.
    const AEffectEntryProc entry = Entry("Spectro.so");
    XlibHost again(entry);
    ASSERT_EQ(again.openEditor(), 1);
    EXPECT_EQ(again.childWindows(), 1);
    again.closeEditor();
}

} // namespace
