#include "common/help.h"

#include <QDesktopServices>
#include <QUrl>

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/mlog.h"
#include "base/storedpath.h"
#include "base/text_case.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"
#include "platform/program_folder.h"

namespace {

struct HelpTopicEntry {
    int id;
    const char* topic;
};

constexpr HelpTopicEntry kTopics[] = {
    {102, "gui.html"},
    {107, "options.html#effects"},
    {134, "sounds.html#funsounds"},
    {106, "options.html#shortcuts"},
    {109, "options.html#general"},
    {108, "sounds.html#backgrounds"},
    {135, ""},
    {136, ""},
    {137, "effects.html"},
};

// The help of a helpFile that names no HTML page.
constexpr char kDefaultFolder[] = "help/";
constexpr char kDefaultStartPage[] = "index.html";
// The German pages, in the help folder.
constexpr char kGermanFolder[] = "de/";
// The German texts' catalog names start with this.
constexpr char kGermanCatalog[] = "voxwarp_de";

// Names the help page that no browser could show.
constexpr unsigned kTextNoBrowser = 380;

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

bool OpenInBrowser(const HelpPage& page) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(page.file));
    if (!page.anchor.empty())
        url.setFragment(QString::fromStdString(page.anchor));
    return QDesktopServices::openUrl(url);
}

HelpOpener& Opener() {
    static HelpOpener opener;
    return opener;
}

} // namespace

std::string HelpTopic(int id) {
    for (const HelpTopicEntry& entry : kTopics)
        if (entry.id == id)
            return entry.topic;
    return {};
}

void HelpStart(const HelpSetting& setting, std::string& folder, std::string& startPage) {
    const std::string path = ProgramPath(setting.programFolder, setting.helpFile);
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!(HasExtension(name, ".html") || HasExtension(name, ".htm"))) {
        folder = ProgramPath(setting.programFolder, kDefaultFolder);
        startPage = kDefaultStartPage;
        return;
    }
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    startPage = name;
}

bool HelpInGerman(const std::string& langFile) {
    const std::string path = SlashPath(langFile);
    const size_t slash = path.rfind('/');
    return path.compare(slash == std::string::npos ? 0 : slash + 1, sizeof kGermanCatalog - 1,
                        kGermanCatalog) == 0;
}

HelpPage HelpTarget(const HelpSetting& setting, int id) {
    std::string folder;
    std::string startPage;
    HelpStart(setting, folder, startPage);
    const std::string topic = HelpTopic(id);
    const size_t hash = topic.find('#');
    HelpPage page;
    std::string name = topic.substr(0, hash);
    if (hash != std::string::npos)
        page.anchor = topic.substr(hash + 1);
    if (name.empty())
        name = startPage;
    const std::string german = folder + kGermanFolder + name;
    page.file = HelpInGerman(setting.langFile) && FileExists(german) ? german : folder + name;
    return page;
}

HelpSetting CurrentHelpSetting() {
    AppConfig config(platform::ProgramFolder());
    // An unreadable configuration leaves the defaults: the help is still found.
    config.ReadSys();
    return {config.ProgramFolder(), config.helpFile, config.langFile};
}

void HelpShow(QWidget* parent, int id) {
    HelpShow(parent, id, CurrentHelpSetting());
}

void HelpShow(QWidget* parent, int id, const HelpSetting& setting) {
    const HelpPage page = HelpTarget(setting, id);
    LogPlain("Help:%s", page.Target().c_str());
    const bool opened = Opener() ? Opener()(page) : OpenInBrowser(page);
    if (!opened)
        ShowMessage(parent, UiFormat(kTextNoBrowser, page.file.c_str()), MessageIcon::Warning);
}

void SetHelpOpener(HelpOpener opener) {
    Opener() = std::move(opener);
}
