#include "skin/skin_parser.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <string>

#include "base/debug_trace.h"
#include "skin/format/skin_bytes.h"
#include "skin/format/skin_grammar.h"
#include "skin/format/skin_values.h"
#include "skin/skin_file_loaders.h"

struct CSkinParser::State {
    SkinText text;
    bool open = false;
    std::string folder; // local path of the skin file's folder, ending in '/'
    std::string id;     // the matched identification value
    int index = -1;
    std::string wanted; // the key a getter looks for, index appended
};

namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

} // namespace

CSkinParser::CSkinParser() : state_(std::make_unique<State>()) {}

CSkinParser::~CSkinParser() = default;

bool CSkinParser::Open(const QString& fileName, const QString& expectedId) {
    Close();
    QString name = fileName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString path = QFileInfo(name).isAbsolute() ? QDir::cleanPath(name)
                                                      : QDir::current().absoluteFilePath(name);
    const std::string localName = SkinLocalPath(fileName);
    const std::string localPath = SkinLocalPath(QDir::cleanPath(path));

    std::vector<std::uint8_t> bytes;
    const int error = ReadSkinFileBytes(localPath, kMaxSkinTextBytes, bytes);
    if (error != 0) {
        DebugTrace("Error initializing parser from file [%s] - cause [%d]", localName.c_str(),
                   error);
        return false;
    }
    State& s = *state_;
    s.text.Assign(std::string(bytes.begin(), bytes.end()));
    if (!expectedId.isEmpty()) {
        const std::string id = s.text.IdentificationValue();
        if (DecodeSkinText(id) != expectedId) {
            DebugTrace("Error cannot find matching ID [%s] in file [%s]",
                       expectedId.toUtf8().constData(), localName.c_str());
            s.text.Clear();
            return false;
        }
        s.id = id;
    }
    s.folder = SkinFolderOf(localPath);
    s.open = true;
    return true;
}

void CSkinParser::Close() {
    State& s = *state_;
    s.text.Clear();
    s.open = false;
    s.folder.clear();
    s.id.clear();
}

bool CSkinParser::IsOpen() const {
    return state_->open;
}

bool CSkinParser::FindSection(const char* name) {
    State& s = *state_;
    if (name == nullptr)
        return false;
    if (!s.open || !s.text.FindSection(name)) {
        DebugTrace("couldn't find skin object %s", name);
        return false;
    }
    return true;
}

bool CSkinParser::NextAttribute() {
    State& s = *state_;
    return s.open && s.text.NextAttribute();
}

const std::string& CSkinParser::Key() const {
    return state_->open ? state_->text.Key() : EmptyText();
}

const std::string& CSkinParser::Value() const {
    return state_->open ? state_->text.Value() : EmptyText();
}

void CSkinParser::SetKeyIndex(int index) {
    state_->index = index < 0 ? -1 : index;
}

int CSkinParser::KeyIndex() const {
    return state_->index;
}

QString CSkinParser::Folder() const {
    return state_->open ? SkinQtPath(state_->folder) : QString();
}

// Whether the current line is key (index appended) with a non-empty key and value: the
// condition under which a getter reads the line at all.
bool CSkinParser::Matches(const char* key) const {
    State& s = *state_;
    if (!s.open || key == nullptr || *key == '\0')
        return false;
    s.wanted = key;
    if (s.index >= 0)
        s.wanted += std::to_string(s.index);
    return s.text.Key() == s.wanted && !s.text.Value().empty();
}

QString CSkinParser::ResolvedPath() const {
    return SkinQtPath(SkinResolvePath(state_->folder, state_->text.Value()));
}

bool CSkinParser::HasKey(const char* key) const {
    State& s = *state_;
    if (!s.open || key == nullptr || *key == '\0')
        return false;
    s.wanted = key;
    if (s.index >= 0)
        s.wanted += std::to_string(s.index);
    return s.text.Key() == s.wanted;
}

bool CSkinParser::GetInt(const char* key, int& out) {
    if (!Matches(key) || !SkinIsNumber(Value()))
        return false;
    out = SkinParseInt(Value());
    return true;
}

bool CSkinParser::GetFlag(const char* key, bool& out) {
    int value = 0;
    if (!GetInt(key, value))
        return false;
    out = value != 0;
    return true;
}

bool CSkinParser::GetColor(const char* key, QColor& out) {
    if (!Matches(key))
        return false;
    SkinColor color;
    if (!SkinParseColor(Value(), color)) {
        DebugTrace("couldn't dissolve %s to color", Value().c_str());
        return false;
    }
    out = QColor(color.red, color.green, color.blue);
    return true;
}

bool CSkinParser::GetPair(const char* key, QPoint& out) {
    if (!Matches(key))
        return false;
    int x = 0;
    int y = 0;
    if (!SkinParsePair(Value(), x, y)) {
        DebugTrace("couldn't dissolve %s to positions", Value().c_str());
        return false;
    }
    out = QPoint(x, y);
    return true;
}

bool CSkinParser::GetSize(const char* key, QSize& out) {
    if (!Matches(key))
        return false;
    int width = 0;
    int height = 0;
    if (!SkinParsePair(Value(), width, height)) {
        DebugTrace("couldn't dissolve %s to size", Value().c_str());
        return false;
    }
    out = QSize(width, height);
    return true;
}

bool CSkinParser::GetQuad(const char* key, QPoint& first, QPoint& second) {
    if (!Matches(key))
        return false;
    int quad[4] = {};
    if (!SkinParseQuad(Value(), quad)) {
        DebugTrace("couldn't dissolve %s to positions", Value().c_str());
        return false;
    }
    first = QPoint(quad[0], quad[1]);
    second = QPoint(quad[2], quad[3]);
    return true;
}

bool CSkinParser::GetFont(const char* key, QFont& out) {
    if (!Matches(key))
        return false;
    SkinFont spec;
    if (!SkinParseFont(Value(), spec)) {
        DebugTrace("couldn't dissolve %s to font", Value().c_str());
        return false;
    }
    QFont font;
    font.setFamily(DecodeSkinText(spec.face));
    // The font's logical height: negative = character height in pixels, positive = cell
    // height; the pixel size of its magnitude is Qt's closest match. 0 keeps the default.
    if (spec.height != 0)
        font.setPixelSize(std::min(std::abs(static_cast<long long>(spec.height)), 4096LL));
    font.setWeight(spec.weight == kSkinFontWeightBold ? QFont::Bold : QFont::Normal);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    out = font;
    return true;
}

bool CSkinParser::GetString(const char* key, QString& out) {
    if (!Matches(key))
        return false;
    if (!SkinIsString(Value())) {
        DebugTrace("couldn't dissolve %s to string", Value().c_str());
        return false;
    }
    out = DecodeSkinText(Value());
    return true;
}

bool CSkinParser::GetBitmap(const char* key, QImage& out) {
    if (!Matches(key))
        return false;
    if (!LoadSkinBitmap(ResolvedPath(), out)) {
        DebugTrace("couldn't load bitmap %s", Value().c_str());
        return false;
    }
    return true;
}

bool CSkinParser::GetRegion(const char* key, QRegion& out) {
    if (!Matches(key))
        return false;
    if (SkinIsVoidName(Value())) {
        out = QRegion();
        return true;
    }
    if (!LoadSkinRegion(ResolvedPath(), 1.0, 1.0, out)) {
        DebugTrace("couldn't load region %s", Value().c_str());
        return false;
    }
    return true;
}

bool CSkinParser::GetCursor(const char* key, QCursor& out) {
    if (!Matches(key))
        return false;
    if (!LoadSkinCursor(ResolvedPath(), out)) {
        DebugTrace("couldn't load cursor from file %s", Value().c_str());
        return false;
    }
    return true;
}

bool CSkinParser::GetFile(const char* key, QString& fullPath) {
    if (!Matches(key))
        return false;
    const QFileInfo file(ResolvedPath());
    if (!file.isFile()) {
        DebugTrace("couldn't find file %s", Value().c_str());
        return false;
    }
    fullPath = file.absoluteFilePath();
    return true;
}
