#include "mainwindow/about_box.h"

#include <QMessageBox>
#include <QStringList>

#include <algorithm>

#include "base/fileversion.h"
#include "common/app_icon.h"
#include "common/message_box.h"
#include "common/ui_text.h"
#include "config/config.h"

namespace {

constexpr unsigned kTextVersion = 394;
constexpr unsigned kTextBuiltOn = 395;
constexpr unsigned kTextAboutTitle = 396;

} // namespace

std::string AboutVersionText(const std::string& fileVersion) {
    std::string version = fileVersion;
    std::replace(version.begin(), version.end(), ',', '.');
    return UiFormat(kTextVersion, version.c_str());
}

void ShowAboutBox(QWidget* parent, const AppConfig& config) {
    const QString title = QString::fromStdString(ApplicationTitle());
    QMessageBox box(parent);
    box.setWindowTitle(
        QString::fromStdString(UiFormat(kTextAboutTitle, title.toStdString().c_str())));
    box.setIconPixmap(AppIcon().pixmap(64, 64));
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()));
    QStringList lines;
    const std::string version = ThisProgramFileVersion();
    if (!version.empty())
        lines << QString::fromStdString(AboutVersionText(version)).toHtmlEscaped();
    // One line each: the build date is not broken between its words.
    lines << QString::fromStdString(UiFormat(kTextBuiltOn, __DATE__ " " __TIME__))
                 .toHtmlEscaped()
                 .replace(QLatin1Char(' '), QStringLiteral("&nbsp;"));
    if (!config.kestrelUrl.empty()) {
        const QString url = QString::fromStdString(config.kestrelUrl).toHtmlEscaped();
        lines << QStringLiteral("<a href=\"%1\">%1</a>").arg(url);
    }
    box.setInformativeText(lines.join(QStringLiteral("<br>")));
    box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    box.exec();
}
