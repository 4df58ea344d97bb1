#include "common/app_style.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

void ApplyApplicationStyle(QApplication& app) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);

    const QColor window(0x17, 0x1a, 0x21);
    const QColor panel(0x22, 0x27, 0x33);
    const QColor face(0x2b, 0x31, 0x40);
    const QColor border(0x2e, 0x34, 0x42);
    const QColor accent(0x3f, 0xb6, 0xff);
    const QColor onAccent(0x0b, 0x10, 0x16);
    const QColor text(0xe6, 0xe9, 0xef);
    const QColor secondary(0x9a, 0xa3, 0xb2);
    const QColor disabled(0x5c, 0x64, 0x74);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, panel);
    palette.setColor(QPalette::AlternateBase, face);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x5e));
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, onAccent);
    palette.setColor(QPalette::ToolTipBase, panel);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, secondary);
    palette.setColor(QPalette::Link, accent);
    palette.setColor(QPalette::Light, face.lighter(120));
    palette.setColor(QPalette::Midlight, face.lighter(110));
    palette.setColor(QPalette::Mid, border);
    palette.setColor(QPalette::Dark, window.darker(120));
    palette.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, border);
    app.setPalette(palette);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    app.setFont(font);
}
