// The skin preview as skin authors use it: the built control panel run with --skin-preview,
// and the main window's face loaded from the shipped skins.
#include "app/command_line.h"
#include "mainwindow/main_face.h"
#include "child_process.h"
#include "program_dir.h"
#include "skin/ff_button.h"
#include "skin/ff_slider_ctrl.h"
#include "temp_dir.h"

#include <QAccessible>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::ProgramDir;
using testsupport::RunShell;
using testsupport::TempDir;

std::string SkinFile(const std::string& name) {
    return ProgramDir() + "skins/en/" + name + ".sdf";
}

// Runs the built control panel's preview; its exit code, standard error in output.
int RunPreview(const std::string& arguments, std::string* output = nullptr) {
    return RunShell("'" + ProgramDir() + "Voxwarp' --skin-preview " + arguments + " 2>&1", output);
}

class ShippedSkin : public testing::TestWithParam<const char*> {};

TEST_P(ShippedSkin, PictureHasTheSkinsSizeAndNothingOutsideTheOutline) {
    TempDir dir;
    for (const char* state : {"up", "over", "down", "checked", "disabled"}) {
        const std::string png = dir.File(std::string(state) + ".png");
        std::string output;
        ASSERT_EQ(
            RunPreview("'" + SkinFile(GetParam()) + "' --state " + state + " --save '" + png + "'",
                       &output),
            0)
            << output;
        QImage picture(QString::fromStdString(png));
        ASSERT_FALSE(picture.isNull()) << state;
        MainFace face;
        QString error;
        ASSERT_TRUE(face.LoadSkin(QString::fromStdString(SkinFile(GetParam())), &error))
            << error.toStdString();
        EXPECT_EQ(picture.size(), face.SkinSize()) << state;
        ASSERT_FALSE(face.Outline().isEmpty());
        // The rounded corners lie outside the outline; the middle inside it.
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << state;
        EXPECT_EQ(qAlpha(picture.pixel(picture.width() - 1, picture.height() - 1)), 0) << state;
        EXPECT_EQ(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)), 255) << state;
    }
}

// Every control can be found, read and pressed by a screen reader or UI automation.
TEST_P(ShippedSkin, EveryControlHasAnAccessibleNameAndItsRole) {
    MainFace face;
    QString error;
    ASSERT_TRUE(face.LoadSkin(QString::fromStdString(SkinFile(GetParam())), &error));
    int controls = 0;
    for (QWidget* w : face.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&face) || w->parentWidget() != &face)
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << w->metaObject()->className();
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << w->metaObject()->className();
        EXPECT_NE(a->role(), QAccessible::Client) << a->text(QAccessible::Name).toStdString();
        ++controls;
    }
    EXPECT_GE(controls, 32);
    auto role = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->role(); };
    EXPECT_EQ(role(face.effectRadio[0]), QAccessible::RadioButton);
    EXPECT_EQ(role(face.stopAll), QAccessible::Button);
    EXPECT_EQ(role(face.backVolume[2]), QAccessible::Slider);
    EXPECT_NE(QAccessible::queryAccessibleInterface(face.backVolume[2])->valueInterface(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Skins, ShippedSkin, testing::Values("Default", "Compact"));

TEST(SkinPreview, ReportsTheSectionItCannotReadAndAMissingFile) {
    TempDir dir;
    // The window section and the first effect slot only: the effect's text section is missing.
    testsupport::WriteFile(dir.File("broken.sdf"), "id = broken\n[Velmar]\nsize = 100,80\n\n"
                                                   "[ERadio1]\nposition = 1,1\nsize = 10,10\n");
    std::string output;
    EXPECT_EQ(
        RunPreview("'" + dir.File("broken.sdf") + "' --save '" + dir.File("b.png") + "'", &output),
        1);
    EXPECT_NE(output.find("Could not parse skin for [EText1] control."), std::string::npos)
        << output;
    EXPECT_EQ(
        RunPreview("'" + dir.File("none.sdf") + "' --save '" + dir.File("n.png") + "'", &output),
        1);
    EXPECT_NE(output.find("Could not open skin file"), std::string::npos) << output;
}

TEST(CommandLine, PreviewArgumentsAndMistakes) {
    CommandLine cl;
    EXPECT_EQ(
        ParseCommandLine({"--skin-preview", "a.sdf", "--state", "checked", "--save", "x.png"}, cl),
        "");
    EXPECT_TRUE(cl.skinPreview);
    EXPECT_EQ(cl.skinFile, "a.sdf");
    EXPECT_EQ(cl.state, PreviewState::Checked);
    EXPECT_EQ(cl.savePath, "x.png");
    CommandLine untouched;
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--skin-preview"},
                                               {"--skin-preview", "a", "--state", "pressed"},
                                               {"--save", "x.png"},
                                               {"--wizard", "--skin-preview", "a"},
                                               {"--bogus"}}) {
        EXPECT_NE(ParseCommandLine(bad, untouched), "") << bad[0];
        EXPECT_FALSE(untouched.skinPreview);
        EXPECT_FALSE(untouched.wizard);
    }
    CommandLine wizard;
    EXPECT_EQ(ParseCommandLine({"--wizard"}, wizard), "");
    EXPECT_TRUE(wizard.wizard);
    EXPECT_FALSE(wizard.skinPreview);
}

} // namespace
