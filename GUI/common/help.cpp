#include "common/help.h"

#include <QDesktopServices>
#include <QUrl>

#include "base/mlog.h"
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

// The page the help opens at when a topic is empty.
constexpr char kStartPage[] = "index.html";

} // namespace

std::string HelpTopic(int id) {
    for (const HelpTopicEntry& entry : kTopics)
        if (entry.id == id)
            return entry.topic;
    return {};
}

std::string HelpTarget(const std::string& helpFolder, int id) {
    std::string folder = helpFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    const std::string topic = HelpTopic(id);
    return folder + (topic.empty() ? kStartPage : topic);
}

void HelpShow(QWidget* parent, int id) {
    (void)parent;
    const std::string target = HelpTarget(platform::ProgramFolder() + "help", id);
    LogPlain("Help:%s", target.c_str());
    // A topic's anchor follows the page's path; QUrl keeps it as the fragment.
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(target)));
}
