// Help: the page and place each dialog opens, the start page the configuration names, the German
// pages, the shipped pages themselves, and the message when no browser opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "base/strtable.h"
#include "common/help.h"
#include "common/message_box.h"
#include "program_dir.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

constexpr char kEnglish[] = ".\\lang\\voxwarp_en.glo";
constexpr char kGerman[] = ".\\lang\\voxwarp_de.glo";
// Every dialog and page that asks for help, and an id that has no topic.
const std::vector<int> kHelpIds = {102, 107, 134, 106, 109, 108, 135, 136, 137, 999};

TEST(Help, TopicsOpenBesideTheConfiguredStartPage) {
    const HelpSetting setting{"/opt/vx", "help\\index.html", kEnglish};
    EXPECT_EQ(HelpTarget(setting, 102).Target(), "/opt/vx/help/gui.html");
    EXPECT_EQ(HelpTarget(setting, 107).Target(), "/opt/vx/help/options.html#effects");
    EXPECT_EQ(HelpTarget(setting, 134).Target(), "/opt/vx/help/sounds.html#funsounds");
    EXPECT_EQ(HelpTarget(setting, 137).file, "/opt/vx/help/effects.html");
    EXPECT_EQ(HelpTarget(setting, 137).anchor, "");
    // The wizard's pages and unknown ids open the start page.
    EXPECT_EQ(HelpTarget(setting, 135).Target(), "/opt/vx/help/index.html");
    EXPECT_EQ(HelpTarget(setting, 999).Target(), "/opt/vx/help/index.html");

    const HelpSetting own{"/opt/vx/", ".\\docs\\manual\\Start.HTM", kEnglish};
    EXPECT_EQ(HelpTarget(own, 136).file, "/opt/vx/docs/manual/Start.HTM");
    EXPECT_EQ(HelpTarget(own, 106).Target(), "/opt/vx/docs/manual/options.html#shortcuts");
    const HelpSetting absolute{"/opt/vx/", "/usr/share/doc/vx/start.html", kEnglish};
    EXPECT_EQ(HelpTarget(absolute, 109).Target(), "/usr/share/doc/vx/options.html#general");
}

TEST(Help, HelpFileWithoutHtmlPageMeansHelpFolderAndIndex) {
    for (const char* helpFile : {"help\\voxwarp_de.chm", "", "help\\", "help\\html"}) {
        const HelpSetting setting{"/opt/vx/", helpFile, kEnglish};
        EXPECT_EQ(HelpTarget(setting, 135).file, "/opt/vx/help/index.html") << helpFile;
        EXPECT_EQ(HelpTarget(setting, 108).Target(), "/opt/vx/help/sounds.html#backgrounds")
            << helpFile;
    }
}

TEST(Help, GermanPageOnlyForGermanTextsAndWhenItExists) {
    EXPECT_TRUE(HelpInGerman(kGerman));
    EXPECT_TRUE(HelpInGerman("/usr/share/voxwarp/lang/voxwarp_de.glo"));
    EXPECT_FALSE(HelpInGerman(kEnglish));
    EXPECT_FALSE(HelpInGerman(".\\voxwarp_de\\voxwarp_en.glo"));
    EXPECT_FALSE(HelpInGerman("my_voxwarp_de.glo"));

    TempDir dir;
    fs::create_directories(dir.File("help/de"));
    WriteFile(dir.File("help/de/gui.html"), "<p>Hauptfenster</p>");
    WriteFile(dir.File("help/de/index.html"), "<p>Start</p>");
    const HelpSetting german{dir.Path(), "help\\voxwarp_de.chm", kGerman};
    EXPECT_EQ(HelpTarget(german, 102).file, dir.File("help/de/gui.html"));
    EXPECT_EQ(HelpTarget(german, 135).file, dir.File("help/de/index.html"));
    // No German page: the English one.
    EXPECT_EQ(HelpTarget(german, 107).Target(), dir.File("help/options.html#effects"));
    const HelpSetting english{dir.Path(), "help\\voxwarp_de.chm", kEnglish};
    EXPECT_EQ(HelpTarget(english, 102).file, dir.File("help/gui.html"));
}

// The ids of a page's elements.
std::set<std::string> Anchors(const std::string& html) {
    static const std::regex id(R"re(\bid="([^"]+)")re");
    std::set<std::string> anchors;
    for (std::sregex_iterator it(html.begin(), html.end(), id), end; it != end; ++it)
        anchors.insert((*it)[1]);
    return anchors;
}

// Every topic of both languages is a shipped page with its anchor, and every link between the
// shipped pages leads to a page and anchor that exist.
TEST(Help, ShippedPagesHaveEveryTopicAndLink) {
    const std::string program = testsupport::ProgramDir();
    for (const char* lang : {kEnglish, kGerman}) {
        const HelpSetting setting{program, "help\\voxwarp_de.chm", lang};
        for (int id : kHelpIds) {
            const HelpPage page = HelpTarget(setting, id);
            SCOPED_TRACE(page.Target());
            EXPECT_EQ(page.file.find("/de/") != std::string::npos, lang == kGerman);
            ASSERT_TRUE(fs::is_regular_file(page.file));
            if (!page.anchor.empty()) {
                EXPECT_EQ(Anchors(ReadFile(page.file)).count(page.anchor), 1u);
            }
        }
    }
    static const std::regex link(R"re(\bhref="([^"#:]+)(?:#([^"]*))?")re");
    for (const char* folder : {"help/", "help/de/"}) {
        for (const fs::directory_entry& entry : fs::directory_iterator(program + folder)) {
            if (entry.path().extension() != ".html")
                continue;
            const std::string html = ReadFile(entry.path().string());
            for (std::sregex_iterator it(html.begin(), html.end(), link), end; it != end; ++it) {
                const fs::path target = entry.path().parent_path() / (*it)[1].str();
                SCOPED_TRACE(entry.path().string() + " -> " + (*it)[0].str());
                ASSERT_TRUE(fs::is_regular_file(target));
                if ((*it)[2].matched) {
                    EXPECT_EQ(Anchors(ReadFile(target.string())).count((*it)[2]), 1u);
                }
            }
        }
    }
}

TEST(Help, NoBrowserNamesThePage) {
    StartStrings("", "");
    std::vector<HelpPage> opened;
    bool browser = false;
    SetHelpOpener([&](const HelpPage& page) {
        opened.push_back(page);
        return browser;
    });
    std::vector<ShownMessage> shown;
    SetMessageHandler([&](const ShownMessage& message) {
        shown.push_back(message);
        return MessageAnswer::Ok;
    });
    const HelpSetting setting{"/opt/vx/", "help\\index.html", kEnglish};

    HelpShow(nullptr, 107, setting);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].Target(), "/opt/vx/help/options.html#effects");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "No web browser could be started to show the help.\nThe help page "
                             "is:\n/opt/vx/help/options.html");
    EXPECT_EQ(shown[0].icon, MessageIcon::Warning);

    browser = true;
    HelpShow(nullptr, 102, setting);
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(shown.size(), 1u);

    SetHelpOpener({});
    SetMessageHandler({});
    EndStrings();
}

} // namespace
