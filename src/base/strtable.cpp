#include "base/strtable.h"

#include "base/format_check.h"
#include "base/mlog.h"
#include "base/storedpath.h"
#include "platform/program_folder.h"
#include "text/utf.h"
#include "text/utf8cut.h"
#include "translation/glosso.h"

#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kLanguageFileOffset = 4;
constexpr std::size_t kLanguagesFolderOffset = 524;
constexpr std::size_t kPathFieldBytes = 520;
constexpr std::size_t kFixedValueOffsets[] = {1044, 1568, 1572, 1576};
constexpr std::uint32_t kFixedValues[] = {0, 1, 0, 0};

static_assert(kStartRecordBytes == kGlStartRecordSize);
static_assert(kMaxStartPathUnits * 2 < kPathFieldBytes);

// A function-local object, so that lookups during static initialisation find it built.
const std::string& NotFoundText() {
    static const std::string text = "!String did not found!";
    return text;
}

// The longest prefix of s whose UTF-16 form has at most maxUnits code units.
std::string CutToUtf16Units(const std::string& s, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t next = pos;
        units += DecodeUtf8(s, next) >= 0x10000 ? 2 : 1;
        if (units > maxUnits)
            break;
        pos = next;
    }
    return s.substr(0, pos);
}

void PutWord(StartRecord& record, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        record[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutPath(StartRecord& record, std::size_t offset, const std::string& path) {
    std::u16string units = Utf8ToUtf16(CutToUtf16Units(path, kMaxStartPathUnits));
    for (std::size_t i = 0; i < units.size(); ++i) {
        record[offset + 2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        record[offset + 2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    // The terminating zero and the rest of the field are zero already.
}

// Resolves ".", ".." and repeated separators of an absolute path, keeping a trailing '/'.
std::string NormalisePath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    if (out.empty() || path.back() == '/')
        out += '/';
    return out;
}

} // namespace

StartRecord BuildStartRecord(const std::string& languageFile, const std::string& languagesFolder) {
    StartRecord record{};
    PutWord(record, 0, static_cast<std::uint32_t>(kStartRecordBytes));
    PutPath(record, kLanguageFileOffset, languageFile);
    PutPath(record, kLanguagesFolderOffset, languagesFolder);
    for (std::size_t i = 0; i < std::size(kFixedValueOffsets); ++i)
        PutWord(record, kFixedValueOffsets[i], kFixedValues[i]);
    return record;
}

std::string CompleteStartPath(const std::string& configured, const std::string& programFolder) {
    std::string path = SlashPath(configured);
    if (path.empty() || path.front() != '/')
        path = programFolder + path;
    if (path.empty() || path.front() != '/')
        path = std::filesystem::current_path().string() + "/" + path;
    return CutToUtf16Units(NormalisePath(path), kMaxStartPathUnits);
}

std::string CompleteLanguagesFolder(const std::string& configured,
                                    const std::string& programFolder) {
    std::string folder = SlashPath(configured);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return CompleteStartPath(folder, programFolder);
}

StringTable::StringTable(EnglishSource english, std::string programFolder)
    : english_(std::move(english)), programFolder_(std::move(programFolder)) {}

StringTable::~StringTable() {
    End();
}

unsigned StringTable::Start(const std::string& languageFile, const std::string& languagesPath) {
    End();
    std::string programFolder = programFolder_.empty() ? platform::ProgramFolder() : programFolder_;
    std::string file = CompleteStartPath(languageFile, programFolder);
    StartRecord record =
        BuildStartRecord(file, CompleteLanguagesFolder(languagesPath, programFolder));
    translationStarted_ = GLStart(record.data()) != 0;
    if (!translationStarted_)
        LogWarning("%s: language file not usable, the built-in texts are used", file.c_str());
    // Without the library every text is the built-in English one, as if no translation existed.
    for (unsigned id = kFirstId; id <= kLastId; ++id)
        Load(id);
    if (!translationStarted_)
        return 0;
    auto threadId =
        static_cast<unsigned long>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    return static_cast<unsigned>(GLAddThread(threadId));
}

bool StringTable::Load(unsigned id) {
    if (texts_.count(id) != 0)
        return true;
    const char* english = english_ ? english_(id) : nullptr;
    if (english == nullptr)
        return false;
    std::string_view full(english, strnlen(english, kMaxEnglishBytes + 1));
    std::string text(full.substr(0, Utf8PrefixLength(full, kMaxEnglishBytes)));
    if (translationStarted_) {
        std::string translated(kMaxTranslationBytes + 1, '\0');
        if (GLTranslateString(translated.data(), text.c_str(),
                              static_cast<int>(kMaxTranslationBytes)) != 0) {
            // Texts serve as printf formats with the arguments of the built-in text, so a
            // translation that would take others is never used.
            std::string_view candidate(translated.c_str(),
                                       strnlen(translated.c_str(), kMaxTranslationBytes));
            if (SamePrintfConversions(text, candidate))
                text.assign(candidate);
            else
                LogWarning("Translation of text %u refused: its conversions differ from the "
                           "built-in text",
                           id);
        }
    }
    texts_.emplace(id, std::move(text));
    return true;
}

const std::string& StringTable::Lookup(unsigned id) const {
    auto it = texts_.find(id);
    return it != texts_.end() ? it->second : NotFoundText();
}

void StringTable::End() {
    if (translationStarted_) {
        GLEnd();
        translationStarted_ = false;
    }
    texts_.clear();
}

StringTable& AppStrings() {
    static StringTable table;
    return table;
}

unsigned StartStrings(const std::string& languageFile, const std::string& languagesPath) {
    return AppStrings().Start(languageFile, languagesPath);
}

const std::string& LoadStr(unsigned id) {
    return AppStrings().Lookup(id);
}

void EndStrings() {
    AppStrings().End();
}
