#include "skin/format/skin_values.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "text/utf8cut.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The index of the first digit after white space and an optional sign, or npos.
std::size_t FirstDigit(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i < text.size() && IsDigit(text[i]) ? i : std::string_view::npos;
}

} // namespace

int SkinParseInt(std::string_view text) {
    bool negative = false;
    std::size_t i = FirstDigit(text, negative);
    if (i == std::string_view::npos)
        return 0;
    // Accumulate the magnitude up to just beyond the 32-bit range.
    constexpr long long kCap = static_cast<long long>(INT_MAX) + 2;
    long long magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kCap)
            magnitude = kCap;
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool SkinIsNumber(std::string_view text) {
    bool negative = false;
    return FirstDigit(text, negative) != std::string_view::npos;
}

bool SkinParseNumbers(std::string_view text, int* out, std::size_t count) {
    // Pieces: the text before the first comma (empty when the list begins with one), then
    // the text between runs of commas. A trailing run of commas adds no piece.
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            if (start < text.size() || pieces.empty())
                pieces.push_back(text.substr(start));
            break;
        }
        pieces.push_back(text.substr(start, comma - start));
        start = text.find_first_not_of(',', comma);
        if (start == std::string_view::npos)
            break;
        if (pieces.size() >= count)
            break; // surplus pieces are ignored
    }
    bool anyNumber = false;
    for (std::string_view piece : pieces)
        anyNumber = anyNumber || SkinIsNumber(piece);
    if (!anyNumber)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = i < pieces.size() ? SkinParseInt(pieces[i]) : 0;
    return true;
}

bool SkinParseColor(std::string_view text, SkinColor& out) {
    int rgb[3] = {};
    if (!SkinParseNumbers(text, rgb, 3))
        return false;
    out.red = static_cast<std::uint8_t>(rgb[0] & 0xFF);
    out.green = static_cast<std::uint8_t>(rgb[1] & 0xFF);
    out.blue = static_cast<std::uint8_t>(rgb[2] & 0xFF);
    return true;
}

bool SkinParsePair(std::string_view text, int& first, int& second) {
    int pair[2] = {};
    if (!SkinParseNumbers(text, pair, 2))
        return false;
    first = pair[0];
    second = pair[1];
    return true;
}

bool SkinParseQuad(std::string_view text, int (&out)[4]) {
    int quad[4] = {};
    if (!SkinParseNumbers(text, quad, 4))
        return false;
    std::copy(quad, quad + 4, out);
    return true;
}

bool SkinParseFont(std::string_view text, SkinFont& out) {
    std::string_view pieces[5];
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < 5) {
        const std::size_t comma = text.find(',', start);
        pieces[count++] = text.substr(start, comma == std::string_view::npos ? text.size() - start
                                                                             : comma - start);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (count < 2 || pieces[0].empty() || !SkinIsString(pieces[0]))
        return false;
    SkinFont font;
    // A long face is cut at a character boundary; one that fits is kept whole, whatever bytes
    // it ends with.
    std::size_t faceBytes = pieces[0].size();
    if (faceBytes > kSkinFontFaceBytes) {
        faceBytes = Utf8PrefixLength(pieces[0], kSkinFontFaceBytes);
        if (faceBytes == 0)
            faceBytes = kSkinFontFaceBytes; // no character boundary: not UTF-8, cut as bytes
    }
    font.face.assign(pieces[0].substr(0, faceBytes));
    font.height = SkinParseInt(pieces[1]);
    if (count > 2 && pieces[2] == "bold")
        font.weight = kSkinFontWeightBold;
    for (std::size_t i = 3; i < count; ++i) {
        if (pieces[i] == "italic")
            font.italic = true;
        else if (pieces[i] == "underline")
            font.underline = true;
    }
    out = std::move(font);
    return true;
}

bool SkinIsString(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7F;
    });
}

bool SkinIsVoidName(std::string_view text) {
    return text.empty() || text == "void";
}

std::string SkinFolderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string_view::npos)
        return std::string();
    std::string folder(path.substr(0, slash + 1));
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

std::string SkinResolvePath(std::string_view folder, std::string_view name) {
    std::string joined(name);
    std::replace(joined.begin(), joined.end(), '\\', '/');
    if (joined.empty() || joined.front() != '/') {
        std::string base(folder);
        std::replace(base.begin(), base.end(), '\\', '/');
        if (!base.empty() && base.back() != '/')
            base += '/';
        joined = base + joined;
    }
    // Fold "." and ".." and repeated separators; ".." never climbs above the start of a
    // relative path or above the root.
    const bool absolute = !joined.empty() && joined.front() == '/';
    std::vector<std::string_view> parts;
    std::string_view rest(joined);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == ".." && !parts.empty() && parts.back() != "..") {
            parts.pop_back();
            continue;
        }
        if (part == ".." && absolute)
            continue;
        parts.push_back(part);
    }
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result += '/';
        result += parts[i];
    }
    if (result.empty())
        result = ".";
    return result;
}
