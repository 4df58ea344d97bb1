#include "paint_warnings.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace skinart {

namespace {

int g_paintWarnings = 0;

void Handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg && message.startsWith(QLatin1String("QPainter")))
        ++g_paintWarnings;
    if (type != QtDebugMsg && !message.startsWith(QLatin1String("QStandardPaths:")))
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

void CountPaintWarnings() {
    qInstallMessageHandler(Handle);
}

int PaintWarnings() {
    return g_paintWarnings;
}

} // namespace skinart
