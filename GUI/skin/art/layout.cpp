#include "layout.h"

#include <map>

namespace skinart {

namespace {

bool ParseStyle(const QString& name, Style& out) {
    static const std::map<QString, Style> kStyles = {
        {QStringLiteral("slot"), Style::Slot},
        {QStringLiteral("choose"), Style::Choose},
        {QStringLiteral("text"), Style::Text},
        {QStringLiteral("slider"), Style::Slider},
        {QStringLiteral("list"), Style::List},
        {QStringLiteral("stop"), Style::Stop},
        {QStringLiteral("switch"), Style::Switch},
        {QStringLiteral("window_button"), Style::WindowButton},
        {QStringLiteral("scope"), Style::Scope},
        {QStringLiteral("led"), Style::Led},
    };
    const auto it = kStyles.find(name);
    if (it == kStyles.end()) {
        return false;
    }
    out = it->second;
    return true;
}

// "x,y,w,h[,text]": the numbers and the text after the fourth comma (commas allowed in it).
bool RectAndText(TextSource& src, const SourceLine& e, int numbers, std::vector<int>& v,
                 QString& text) {
    if (!src.Ints(e.value, e.line, numbers, v)) {
        return false;
    }
    const QStringList parts = e.value.split(QLatin1Char(','));
    text = parts.mid(numbers).join(QLatin1Char(',')).trimmed();
    return true;
}

bool LoadWindow(TextSource& src, const SourceSection& s, Layout& layout) {
    std::vector<int> v;
    QString text;
    bool haveSize = false;
    for (const SourceLine& e : s.entries) {
        if (e.key == QLatin1String("name")) {
            layout.name = e.value;
        } else if (e.key == QLatin1String("title")) {
            layout.title = e.value;
        } else if (e.key == QLatin1String("size")) {
            if (!src.Ints(e.value, e.line, 2, v) || v[0] <= 0 || v[1] <= 0) {
                return src.Fail(e.line, QStringLiteral("size needs a positive width, height"));
            }
            layout.size = QSize(v[0], v[1]);
            haveSize = true;
        } else if (e.key == QLatin1String("title_height")) {
            if (!src.Ints(e.value, e.line, 1, v)) {
                return false;
            }
            layout.titleHeight = v[0];
        } else if (e.key == QLatin1String("panel")) {
            if (!RectAndText(src, e, 4, v, text)) {
                return false;
            }
            layout.panels.push_back({QRect(v[0], v[1], v[2], v[3]), text});
        } else if (e.key == QLatin1String("label")) {
            if (!RectAndText(src, e, 2, v, text)) {
                return false;
            }
            layout.labels.push_back({QPoint(v[0], v[1]), text});
        } else if (e.key == QLatin1String("hrule") || e.key == QLatin1String("vrule")) {
            if (!src.Ints(e.value, e.line, 3, v)) {
                return false;
            }
            layout.rules.push_back({QPoint(v[0], v[1]), v[2], e.key == QLatin1String("vrule")});
        } else {
            return src.Fail(e.line, QStringLiteral("unknown window key %1").arg(e.key));
        }
    }
    if (!haveSize || layout.name.isEmpty()) {
        return src.Fail(s.line, QStringLiteral("[window] needs name and size"));
    }
    return true;
}

bool LoadControl(TextSource& src, const SourceSection& s, Control& c) {
    static const QStringList kKeys = {
        QStringLiteral("style"), QStringLiteral("rect"),      QStringLiteral("caption"),
        QStringLiteral("glyph"), QStringLiteral("sample"),    QStringLiteral("orientation"),
        QStringLiteral("on"),    QStringLiteral("max_items"), QStringLiteral("maximum_length"),
    };
    static const QStringList kGlyphs = {QStringLiteral("options"), QStringLiteral("help"),
                                        QStringLiteral("about"), QStringLiteral("minimize"),
                                        QStringLiteral("exit")};
    for (const SourceLine& e : s.entries) {
        if (!kKeys.contains(e.key)) {
            return src.Fail(e.line, QStringLiteral("unknown key %1").arg(e.key));
        }
        if ((e.key == QLatin1String("orientation") && e.value != QLatin1String("vertical") &&
             e.value != QLatin1String("horizontal")) ||
            (e.key == QLatin1String("on") && e.value != QLatin1String("list")) ||
            (e.key == QLatin1String("glyph") && !kGlyphs.contains(e.value))) {
            return src.Fail(e.line, QStringLiteral("%1 cannot be %2").arg(e.key, e.value));
        }
    }
    c.section = s.name;
    QString style;
    if (!src.String(s, QStringLiteral("style"), style) ||
        !src.Rect(s, QStringLiteral("rect"), c.rect)) {
        return false;
    }
    if (!ParseStyle(style, c.style)) {
        return src.Fail(s.line, QStringLiteral("unknown style %1").arg(style));
    }
    c.caption = s.Value(QStringLiteral("caption"));
    c.glyph = s.Value(QStringLiteral("glyph"));
    c.sample = s.Value(QStringLiteral("sample"));
    c.vertical = s.Value(QStringLiteral("orientation")) == QLatin1String("vertical");
    c.onList = s.Value(QStringLiteral("on")) == QLatin1String("list");
    if (s.Has(QStringLiteral("max_items")) &&
        !src.Int(s, QStringLiteral("max_items"), c.maxItems)) {
        return false;
    }
    if (s.Has(QStringLiteral("maximum_length")) &&
        !src.Int(s, QStringLiteral("maximum_length"), c.maximumLength)) {
        return false;
    }
    if (c.style == Style::WindowButton && c.glyph.isEmpty()) {
        return src.Fail(s.line, QStringLiteral("a window button needs a glyph"));
    }
    return true;
}

} // namespace

bool Layout::Load(const QString& path, QString& error) {
    TextSource src;
    bool ok = src.Load(path);
    bool haveWindow = false;
    for (std::size_t i = 0; ok && i < src.Sections().size(); ++i) {
        const SourceSection& s = src.Sections()[i];
        if (s.name == QLatin1String("window")) {
            ok = LoadWindow(src, s, *this);
            haveWindow = true;
        } else if (Find(s.name)) {
            ok = src.Fail(s.line, QStringLiteral("[%1] appears twice").arg(s.name));
        } else {
            Control c;
            ok = LoadControl(src, s, c);
            controls.push_back(c);
        }
    }
    if (ok && !haveWindow) {
        ok = src.Fail(1, QStringLiteral("no [window] section"));
    }
    if (!ok) {
        error = src.Error();
    }
    return ok;
}

const Control* Layout::Find(const QString& section) const {
    for (const Control& c : controls) {
        if (c.section == section) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace skinart
