// CSkinParser: reads a skin file on demand. A control positions the parser at its section
// (FindSection) and walks the section's attribute lines (NextAttribute), offering each line to
// the typed getters in its own fixed order; the first getter that accepts the line consumes it.
//
// A getter returns false and leaves its output alone unless the current key equals the wanted
// key (with the key index appended, see SetKeyIndex) and both key and value are non-empty; it
// then parses the value and returns true when the value has the getter's form. Problems are
// written to the debug trace only ("couldn't dissolve %s to color", ...): a bad line never stops
// a skin load, the control keeps what it had.
//
// File names in values are relative to the skin file's folder; backslashes read as folder
// separators (".\skins\en\x.bmp"). Every length read from a bitmap, region or cursor file is
// checked against the bytes the file holds.
//
// The forms each getter accepts (skin/format/skin_values.h): an integer or flag value must begin
// with a number (atoi-like reading); a colour, pair or quad value must hold at least one number
// in its comma list (missing numbers are 0: "255,0" is red, "10,20" a quad with the second point
// (0, 0)); a font needs a face and a height ("Arial,-12,bold,italic"; pieces are taken exactly
// as written, so "Arial, -12, bold" is not bold); a string holds no control characters but the
// tab. Bitmaps, regions and cursors must load; GetFile's file must exist.
//
// The whole skin file is read into memory by Open, so the parser holds no file handle.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

class CSkinParser {
public:
    CSkinParser();
    ~CSkinParser();
    CSkinParser(const CSkinParser&) = delete;
    CSkinParser& operator=(const CSkinParser&) = delete;

    // Opens the skin file (relative names against the current folder). With a non-empty
    // expectedId the first line's value must equal it. Returns false when the file cannot be
    // opened or the id does not match.
    bool Open(const QString& fileName, const QString& expectedId = QString());
    // Forgets the file, folder, key and value. Safe to call twice.
    void Close();
    bool IsOpen() const;

    // Goes back to the start and reads until a line starts with name ("[ERadio1]"). False at
    // the end of the file ("couldn't find skin object %s").
    bool FindSection(const char* name);
    // Reads the next line: true with Key()/Value() set when it is an attribute line; false
    // when the section's attributes are over (Key()/Value() are then empty), and false again
    // at every later call until the next FindSection.
    bool NextAttribute();
    const std::string& Key() const;
    const std::string& Value() const;

    // Index n >= 0 appends the decimal n to every key the getters look for ("bitmap_up2");
    // -1 means plain keys.
    void SetKeyIndex(int index);
    int KeyIndex() const;

    // The current key equals key (index appended), whatever the value.
    bool HasKey(const char* key) const;
    bool GetInt(const char* key, int& out);
    bool GetFlag(const char* key, bool& out);
    bool GetColor(const char* key, QColor& out);
    bool GetPair(const char* key, QPoint& out); // (x, y)
    bool GetSize(const char* key, QSize& out);  // a pair read as (width, height)
    bool GetQuad(const char* key, QPoint& first, QPoint& second);
    bool GetFont(const char* key, QFont& out);
    bool GetString(const char* key, QString& out);
    bool GetBitmap(const char* key, QImage& out);
    // "void" or an empty file name gives an empty region (and true).
    bool GetRegion(const char* key, QRegion& out);
    bool GetCursor(const char* key, QCursor& out);
    bool GetFile(const char* key, QString& fullPath); // the file must exist

    // The skin file's folder, ending in a separator; empty when closed.
    QString Folder() const;

private:
    // Whether the current line is key (index appended) with a non-empty key and value.
    bool Matches(const char* key) const;
    // The current value as a file name resolved against the skin's folder.
    QString ResolvedPath() const;

    struct State;
    std::unique_ptr<State> state_;
};
