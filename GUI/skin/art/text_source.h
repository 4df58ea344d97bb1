// TextSource: the artwork's text sources (theme and layout files): "[section]" headers and
// "key = value" lines in file order, a key may repeat; "#" starts a comment line. Every problem
// names the file and line.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QStringList>

#include <vector>

namespace skinart {

struct SourceLine {
    QString key;
    QString value;
    int line = 0;
};

struct SourceSection {
    QString name; // without brackets
    int line = 0;
    std::vector<SourceLine> entries;

    // The last value of key, or an empty string.
    QString Value(const QString& key) const;
    bool Has(const QString& key) const;
};

class TextSource {
public:
    // Reads the file; false with Error() set when it cannot be read or a line has no form.
    bool Load(const QString& path);
    const QString& Error() const { return error_; }
    const QString& Path() const { return path_; }
    const std::vector<SourceSection>& Sections() const { return sections_; }
    const SourceSection* Find(const QString& name) const;

    // Typed readers of one value; each returns false and sets Error() with the place.
    bool Int(const SourceSection& s, const QString& key, int& out);
    bool Real(const SourceSection& s, const QString& key, double& out);
    bool Color(const SourceSection& s, const QString& key, QColor& out);
    bool Ints(const QString& value, int line, int count, std::vector<int>& out);
    bool Rect(const SourceSection& s, const QString& key, QRect& out);
    bool String(const SourceSection& s, const QString& key, QString& out);

    // Records a problem found by a caller at a line of this file; always false.
    bool Fail(int line, const QString& what);

private:
    const SourceLine* Entry(const SourceSection& s, const QString& key);

    QString path_;
    QString error_;
    std::vector<SourceSection> sections_;
};

} // namespace skinart
