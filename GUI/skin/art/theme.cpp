#include "theme.h"

namespace skinart {

bool Theme::Load(const QString& path, QString& error) {
    TextSource src;
    if (!src.Load(path)) {
        error = src.Error();
        return false;
    }
    const SourceSection* colors = src.Find(QStringLiteral("colors"));
    const SourceSection* shape = src.Find(QStringLiteral("shape"));
    const SourceSection* type = src.Find(QStringLiteral("type"));
    if (!colors || !shape || !type) {
        error = path + QStringLiteral(": needs the sections [colors], [shape] and [type]");
        return false;
    }
    struct NamedColor {
        const char* key;
        QColor* out;
    };
    const NamedColor named[] = {
        {"window", &window},
        {"window_border", &windowBorder},
        {"panel", &panel},
        {"panel_border", &panelBorder},
        {"well", &well},
        {"well_border", &wellBorder},
        {"face_up", &faceUp},
        {"face_over", &faceOver},
        {"face_down", &faceDown},
        {"face_border", &faceBorder},
        {"accent", &accent},
        {"on_accent", &onAccent},
        {"signal", &signal},
        {"signal_background", &signalBackground},
        {"led_off", &ledOff},
        {"warning", &warning},
        {"text", &text},
        {"text_secondary", &textSecondary},
        {"text_disabled", &textDisabled},
        {"list_current", &listCurrent},
    };
    bool ok = true;
    for (const NamedColor& n : named) {
        ok = ok && src.Color(*colors, QLatin1String(n.key), *n.out);
    }
    ok = ok && src.Int(*shape, QStringLiteral("window_radius"), windowRadius) &&
         src.Int(*shape, QStringLiteral("panel_radius"), panelRadius) &&
         src.Int(*shape, QStringLiteral("control_radius"), controlRadius) &&
         src.Int(*shape, QStringLiteral("small_radius"), smallRadius) &&
         src.Real(*shape, QStringLiteral("face_gradient"), faceGradient) &&
         src.Real(*shape, QStringLiteral("highlight"), highlight) &&
         src.Real(*shape, QStringLiteral("glyph_width"), glyphWidth) &&
         src.Real(*shape, QStringLiteral("glow"), glow) &&
         src.String(*type, QStringLiteral("face"), face) &&
         src.Int(*type, QStringLiteral("caption"), captionPx) &&
         src.Int(*type, QStringLiteral("label"), labelPx) &&
         src.Int(*type, QStringLiteral("small"), smallPx) &&
         src.Int(*type, QStringLiteral("title"), titlePx) &&
         src.Int(*type, QStringLiteral("name"), namePx) &&
         src.Int(*type, QStringLiteral("number"), numberPx) &&
         src.Real(*type, QStringLiteral("title_spacing"), titleSpacing);
    if (ok && (face.isEmpty() || face.contains(QLatin1Char(',')))) {
        ok = src.Fail(type->line, QStringLiteral("face must be a font name without commas"));
    }
    if (!ok) {
        error = src.Error();
    }
    return ok;
}

QFont Theme::Font(int pixelHeight, bool bold) const {
    QFont f(face);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

QString Theme::SkinFont(int pixelHeight, bool bold) const {
    QString v = QStringLiteral("%1,-%2").arg(face).arg(pixelHeight);
    if (bold) {
        v += QStringLiteral(",bold");
    }
    return v;
}

QString SkinColor(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto m = [t](int x, int y) { return qBound(0, qRound(x + (y - x) * t), 255); };
    return QColor(m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue()));
}

} // namespace skinart
