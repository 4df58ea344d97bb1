#include "app/skin_preview.h"

#include "base/strtable.h"
#include "mainwindow/main_face.h"
#include "scope/osci.h"
#include "skin/ff_button.h"
#include "skin/ff_slider_ctrl.h"
#include "skin/ff_static_text.h"
#include "skin/pn_list_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kTextSkinError = 202;

// A few hundred milliseconds of a voice-like signal for the oscilloscope.
std::vector<int16_t> SampleTrace() {
    std::vector<int16_t> samples(2048);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double envelope = 0.55 + 0.45 * std::sin(2 * M_PI * 3.0 * t);
        const double v = std::sin(2 * M_PI * 180 * t) + 0.5 * std::sin(2 * M_PI * 360 * t + 1.0) +
                         0.25 * std::sin(2 * M_PI * 910 * t);
        samples[i] = static_cast<int16_t>(9000 * envelope * v);
    }
    return samples;
}

} // namespace

void FillPreview(MainFace& face, PreviewState state) {
    const char* effects[] = {"Robot", "Deep voice", "Chipmunk"};
    const char* backgrounds[] = {"Rain on the roof", "Busy cafe", "Seaside"};
    const int volumes[] = {80, 45, 20};
    for (int i = 0; i < 3; ++i) {
        face.effectText[i]->SetText(QString::fromUtf8(effects[i]));
        face.backText[i]->SetText(QString::fromUtf8(backgrounds[i]));
        face.backVolume[i]->setValue(volumes[i]);
    }
    const char* sounds[] = {"Applause", "Drum roll", "Laughter", "Boing", "Crickets", "Air horn"};
    for (const char* s : sounds)
        face.funList->InsertLine(face.funList->LineCount(), QString::fromUtf8(s));
    face.funList->SetLineSelected(1, true); // a playing fun sound
    face.monitorLevel->setValue(70);
    const std::vector<int16_t> trace = SampleTrace();
    face.osci->SetData(trace.data(), static_cast<int>(trace.size()));

    face.effectRadio[0]->setChecked(true);
    face.backRadio[1]->setChecked(true);
    face.monitor->setChecked(true);
    face.deviceLed->setChecked(true);
    for (CFFButton* b : face.Buttons()) {
        switch (state) {
        case PreviewState::Up:
            break;
        case PreviewState::Over:
            b->ShowMouseOver(true);
            break;
        case PreviewState::Down:
            b->ShowMouseOver(true);
            b->setDown(true);
            break;
        case PreviewState::Checked:
            if (b->isCheckable())
                b->setChecked(true);
            break;
        case PreviewState::Disabled:
            b->setEnabled(false);
            break;
        }
    }
    if (state == PreviewState::Disabled) {
        for (QWidget* w : face.findChildren<QWidget*>())
            w->setEnabled(false);
    }
}

QImage PreviewPicture(MainFace& face) {
    QImage picture = face.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (!face.Outline().isEmpty()) {
        // Only what lies inside the outline is on the screen.
        QImage masked(picture.size(), QImage::Format_ARGB32);
        masked.fill(Qt::transparent);
        QPainter painter(&masked);
        painter.setClipRegion(face.Outline());
        painter.drawImage(0, 0, picture);
        painter.end();
        picture = masked;
    }
    return picture;
}

int RunSkinPreview(const CommandLine& commandLine) {
    StartStrings("", "");
    MainFace face;
    face.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    face.setWindowTitle(QStringLiteral("Voxwarp skin preview"));
    QString error;
    if (!face.LoadSkin(QString::fromStdString(commandLine.skinFile), &error)) {
        const QString caption = QString::fromStdString(LoadStr(kTextSkinError));
        if (!commandLine.savePath.empty()) {
            std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(),
                         error.toUtf8().constData());
        } else {
            QMessageBox::critical(nullptr, caption, error);
        }
        return 1;
    }
    FillPreview(face, commandLine.state);
    if (!commandLine.savePath.empty()) {
        const QString path = QString::fromStdString(commandLine.savePath);
        if (!PreviewPicture(face).save(path, "PNG")) {
            std::fprintf(stderr, "Voxwarp: could not write the picture %s\n",
                         commandLine.savePath.c_str());
            return 1;
        }
        return 0;
    }
    face.show();
    return QApplication::exec();
}
