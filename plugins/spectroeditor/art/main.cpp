// voxwarp_spectro_art: draws Spectro's editor artwork from the shared theme and writes it as a
// C++ source file that the plug-in compiles in (spectro_art.h declares what it defines).
//
//   voxwarp_spectro_art --theme data/art/theme.ini --out DIR/spectro_art_data.cpp [--preview DIR]
//
// --preview also writes every picture and font as PNG, and mock-ups of the whole editor, for
// people to look at. Everything is drawn off-screen (QT_QPA_PLATFORM=offscreen is set unless
// the caller chose a platform); the same sources give byte-identical output. Any QPainter
// warning, a text that does not fit or a picture of the wrong size fails the run.
#include "art_source.h"
#include "editor_mockup.h"
#include "skin/art/paint_warnings.h"
#include "spectro_artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTransform>

#include <cstdio>

using namespace spectroart;

namespace {

int Fail(const QString& message) {
    std::fprintf(stderr, "voxwarp_spectro_art: %s\n", qPrintable(message));
    return 1;
}

bool CheckSizes(const Artwork& art, QString& error) {
    const std::tuple<const char*, const QImage*, QSize> pictures[] = {
        {"background", &art.background, QSize(300, 250)},
        {"slider track", &art.sliderTrack, QSize(25, 160)},
        {"slider handle", &art.sliderHandle, QSize(21, 20)},
        {"slider handle under the mouse", &art.sliderHandleHover, QSize(21, 20)},
        {"menu face", &art.menuFace, QSize(50, 29)},
        {"menu face under the mouse", &art.menuFaceHover, QSize(50, 29)},
        {"display face", &art.displayFace, QSize(25, 15)},
        {"freeze button", &art.freezeButton, QSize(78, 78)},
        {"freeze button under the mouse", &art.freezeButtonHover, QSize(78, 78)},
        {"information card", &art.splash, QSize(262, 218)},
    };
    for (const auto& [name, image, size] : pictures) {
        if (image->size() != size) {
            error = QStringLiteral("the %1 is %2 x %3 px, not %4 x %5")
                        .arg(QLatin1String(name))
                        .arg(image->width())
                        .arg(image->height())
                        .arg(size.width())
                        .arg(size.height());
            return false;
        }
    }
    return true;
}

bool WritePreview(const Artwork& art, const QString& dir, QString& error) {
    QDir().mkpath(dir);
    const std::pair<const char*, QImage> pictures[] = {
        {"background", art.background},
        {"slider-track", art.sliderTrack},
        {"slider-handle", art.sliderHandle},
        {"slider-handle-hover", art.sliderHandleHover},
        {"menu-face", art.menuFace},
        {"menu-face-hover", art.menuFaceHover},
        {"display-face", art.displayFace},
        {"freeze-button", art.freezeButton},
        {"freeze-button-hover", art.freezeButtonHover},
        {"splash", art.splash},
        {"value-font", FontPicture(art.valueFont)},
        {"list-font", FontPicture(art.listFont)},
        {"editor", EditorMockup(art, Mockup::Editor)},
        {"editor-menu-open", EditorMockup(art, Mockup::MenuOpen)},
        {"editor-splash", EditorMockup(art, Mockup::Splash)},
    };
    for (const auto& [name, image] : pictures) {
        const QString path = QStringLiteral("%1/%2.png").arg(dir, QLatin1String(name));
        if (!image.save(path, "PNG")) {
            error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
    }
    // The mock-ups three times as large, pixel for pixel, to judge the small details.
    const std::pair<const char*, Mockup> mockups[] = {
        {"editor", Mockup::Editor},
        {"editor-menu-open", Mockup::MenuOpen},
        {"editor-splash", Mockup::Splash},
    };
    for (const auto& [name, kind] : mockups) {
        const QImage editor = EditorMockup(art, kind);
        const QString path = QStringLiteral("%1/%2-x3.png").arg(dir, QLatin1String(name));
        if (!editor.scaled(editor.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                 .save(path, "PNG")) {
            error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    skinart::CountPaintWarnings();
    QGuiApplication app(argc, argv);
    QString themePath, out, preview;
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
        } else {
            return Fail(QStringLiteral("unknown argument %1").arg(a));
        }
    }
    if (themePath.isEmpty() || out.isEmpty()) {
        return Fail(QStringLiteral(
            "usage: voxwarp_spectro_art --theme FILE --out FILE.cpp [--preview DIR]"));
    }
    skinart::Theme theme;
    QString error;
    if (!theme.Load(themePath, error)) {
        return Fail(error);
    }
    Artwork art;
    const bool drawn = DrawArtwork(theme, art, error);
    // A preview of artwork with a text that does not fit helps to see by how much.
    QString previewError;
    if (!preview.isEmpty() && !art.background.isNull() &&
        !WritePreview(art, preview, previewError)) {
        return Fail(previewError);
    }
    if (!drawn || !CheckSizes(art, error)) {
        return Fail(error);
    }
    if (skinart::PaintWarnings() > 0) {
        return Fail(QStringLiteral("drawing failed"));
    }
    QFile file(out);
    const QByteArray source = ArtSource(art);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(source) != source.size() || !file.flush()) {
        return Fail(QStringLiteral("cannot write %1").arg(out));
    }
    return 0;
}
