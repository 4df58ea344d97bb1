#include "text_source.h"

#include <QFile>

namespace skinart {

QString SourceSection::Value(const QString& key) const {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->key == key) {
            return it->value;
        }
    }
    return QString();
}

bool SourceSection::Has(const QString& key) const {
    for (const SourceLine& e : entries) {
        if (e.key == key) {
            return true;
        }
    }
    return false;
}

bool TextSource::Load(const QString& path) {
    path_ = path;
    sections_.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("%1: cannot be read").arg(path);
        return false;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString text = lines[i].trimmed();
        const int number = i + 1;
        if (text.isEmpty() || text.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (text.startsWith(QLatin1Char('['))) {
            if (!text.endsWith(QLatin1Char(']')) || text.size() < 3) {
                return Fail(number, QStringLiteral("a section header must be [name]"));
            }
            sections_.push_back({text.mid(1, text.size() - 2), number, {}});
            continue;
        }
        const qsizetype eq = text.indexOf(QLatin1Char('='));
        if (eq <= 0 || sections_.empty()) {
            return Fail(number, QStringLiteral("expected key = value inside a section"));
        }
        sections_.back().entries.push_back(
            {text.left(eq).trimmed(), text.mid(eq + 1).trimmed(), number});
    }
    return true;
}

const SourceSection* TextSource::Find(const QString& name) const {
    for (const SourceSection& s : sections_) {
        if (s.name == name) {
            return &s;
        }
    }
    return nullptr;
}

bool TextSource::Fail(int line, const QString& what) {
    error_ = QStringLiteral("%1:%2: %3").arg(path_).arg(line).arg(what);
    return false;
}

const SourceLine* TextSource::Entry(const SourceSection& s, const QString& key) {
    for (auto it = s.entries.rbegin(); it != s.entries.rend(); ++it) {
        if (it->key == key) {
            return &*it;
        }
    }
    Fail(s.line, QStringLiteral("[%1] lacks %2").arg(s.name, key));
    return nullptr;
}

bool TextSource::Int(const SourceSection& s, const QString& key, int& out) {
    const SourceLine* e = Entry(s, key);
    if (!e) {
        return false;
    }
    bool ok = false;
    const int v = e->value.toInt(&ok);
    if (!ok) {
        return Fail(e->line, QStringLiteral("%1 must be a whole number").arg(key));
    }
    out = v;
    return true;
}

bool TextSource::Real(const SourceSection& s, const QString& key, double& out) {
    const SourceLine* e = Entry(s, key);
    if (!e) {
        return false;
    }
    bool ok = false;
    const double v = e->value.toDouble(&ok);
    if (!ok) {
        return Fail(e->line, QStringLiteral("%1 must be a number").arg(key));
    }
    out = v;
    return true;
}

bool TextSource::Color(const SourceSection& s, const QString& key, QColor& out) {
    const SourceLine* e = Entry(s, key);
    if (!e) {
        return false;
    }
    static const QString kHex = QStringLiteral("0123456789abcdefABCDEF");
    const QString& v = e->value;
    bool ok = v.size() == 7 && v[0] == QLatin1Char('#');
    for (int i = 1; ok && i < 7; ++i) {
        ok = kHex.contains(v[i]);
    }
    if (!ok) {
        return Fail(e->line, QStringLiteral("%1 must be a colour #rrggbb").arg(key));
    }
    out = QColor(v);
    return true;
}

bool TextSource::Ints(const QString& value, int line, int count, std::vector<int>& out) {
    const QStringList parts = value.split(QLatin1Char(','));
    if (parts.size() < count) {
        return Fail(line, QStringLiteral("expected %1 numbers in \"%2\"").arg(count).arg(value));
    }
    out.clear();
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        out.push_back(parts[i].trimmed().toInt(&ok));
        if (!ok) {
            return Fail(line, QStringLiteral("\"%1\" is not a whole number").arg(parts[i]));
        }
    }
    return true;
}

bool TextSource::Rect(const SourceSection& s, const QString& key, QRect& out) {
    const SourceLine* e = Entry(s, key);
    std::vector<int> v;
    if (!e || !Ints(e->value, e->line, 4, v)) {
        return false;
    }
    if (v[2] <= 0 || v[3] <= 0) {
        return Fail(e->line, QStringLiteral("%1 needs a positive width and height").arg(key));
    }
    out = QRect(v[0], v[1], v[2], v[3]);
    return true;
}

bool TextSource::String(const SourceSection& s, const QString& key, QString& out) {
    const SourceLine* e = Entry(s, key);
    if (!e) {
        return false;
    }
    out = e->value;
    return true;
}

} // namespace skinart
