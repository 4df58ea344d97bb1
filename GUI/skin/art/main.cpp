// voxwarp_skin_art: draws the pictures of the control panel's skins and writes their skin
// files from the theme and one layout source per skin.
//
//   voxwarp_skin_art --theme data/art/theme.ini --out bin/skins/en [--preview DIR]
//                    data/art/Default.layout data/art/Compact.layout
//
// Everything is drawn off-screen (QT_QPA_PLATFORM=offscreen is set unless the caller chose a
// platform); the same sources give byte-identical files. Before it ends successfully it reads
// every skin file back and checks that each section the main window reads is there and that
// every picture, region and cursor it names exists.
#include "art_files.h"
#include "layout.h"
#include "paint_warnings.h"
#include "skin_builder.h"
#include "theme.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <set>

using namespace skinart;

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "voxwarp_skin_art: %s\n", qPrintable(message));
    return 1;
}

// Reads the written skin file back as the control panel will: sections, attribute lines up to
// the first line without "=", file values relative to the skin's folder.
bool CheckSkin(const QString& sdfPath, QString& error) {
    QFile file(sdfPath);
    if (!file.open(QIODevice::ReadOnly)) {
        error = sdfPath + QStringLiteral(": cannot be read back");
        return false;
    }
    const QString folder = QFileInfo(sdfPath).absolutePath() + QLatin1Char('/');
    std::set<QString> sections;
    bool inSection = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            sections.insert(line.mid(1, line.indexOf(QLatin1Char(']')) - 1));
            inSection = true;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            inSection = false;
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        const bool isBitmap = key.startsWith(QLatin1String("bitmap")) &&
                              key != QLatin1String("bitmap_thumb_transparent_color");
        const bool isFile =
            isBitmap || key == QLatin1String("region") || key == QLatin1String("cursor");
        if (!inSection || !isFile || value == QLatin1String("void")) {
            continue;
        }
        QFile named(folder + value);
        if (!named.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("%1: %2 names the missing file %3").arg(sdfPath, key, value);
            return false;
        }
        if (key.startsWith(QLatin1String("bitmap")) && named.read(2) != "BM") {
            error = QStringLiteral("%1: %2 is no BMP file").arg(sdfPath, value);
            return false;
        }
    }
    for (const QString& s : MainWindowSections()) {
        if (!sections.count(s)) {
            error = QStringLiteral("%1: section [%2] is missing").arg(sdfPath, s);
            return false;
        }
    }
    return true;
}

// Removes files of a skin's picture folder that this run did not write (renamed pictures).
void RemoveStale(const QString& out, const QString& skin,
                 const std::map<QString, QByteArray>& files) {
    QDirIterator it(out + QLatin1Char('/') + skin, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!files.count(skin + QLatin1Char('/') + it.fileName())) {
            QFile::remove(path);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    skinart::CountPaintWarnings();
    QGuiApplication app(argc, argv);
    QString themePath, out, preview;
    QStringList layouts;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--theme") && hasValue) {
            themePath = args[++i];
        } else if (a == QLatin1String("--out") && hasValue) {
            out = args[++i];
        } else if (a == QLatin1String("--preview") && hasValue) {
            preview = args[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            return Fail(QStringLiteral("unknown option %1").arg(a));
        } else {
            layouts << a;
        }
    }
    if (themePath.isEmpty() || out.isEmpty() || layouts.isEmpty()) {
        return Fail(QStringLiteral(
            "usage: voxwarp_skin_art --theme FILE --out DIR [--preview DIR] LAYOUT..."));
    }
    Theme theme;
    QString error;
    if (!theme.Load(themePath, error)) {
        return Fail(error);
    }
    for (const QString& layoutPath : layouts) {
        Layout layout;
        if (!layout.Load(layoutPath, error)) {
            return Fail(error);
        }
        SkinBuilder builder(theme, layout);
        if (!builder.Build(error)) {
            return Fail(error);
        }
        for (const auto& [name, data] : builder.Files()) {
            if (!WriteFileIfChanged(out + QLatin1Char('/') + name, data)) {
                return Fail(QStringLiteral("cannot write %1/%2").arg(out, name));
            }
        }
        if (skinart::PaintWarnings() > 0) {
            return Fail(QStringLiteral("%1: drawing failed").arg(layoutPath));
        }
        RemoveStale(out, layout.name, builder.Files());
        if (!CheckSkin(out + QLatin1Char('/') + layout.name + QStringLiteral(".sdf"), error)) {
            return Fail(error);
        }
        if (!preview.isEmpty()) {
            QDir().mkpath(preview);
            const std::pair<PreviewKind, const char*> kinds[] = {
                {PreviewKind::Up, "up"},
                {PreviewKind::Active, "active"},
                {PreviewKind::Disabled, "disabled"},
            };
            for (const auto& [kind, suffix] : kinds) {
                const QString path =
                    QStringLiteral("%1/%2-%3.png").arg(preview, layout.name, QLatin1String(suffix));
                if (!builder.Preview(kind).save(path, "PNG")) {
                    return Fail(QStringLiteral("cannot write %1").arg(path));
                }
            }
        }
    }
    return 0;
}
