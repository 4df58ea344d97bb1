// The process-wide table of user-visible texts, looked up by message id. The built-in English
// texts are filled in at start-up, replaced by their translations when a language file has them.
#pragma once

#include "base/resstrings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

// The translation library's start record: both paths as UTF-16LE with a terminating zero.
constexpr std::size_t kStartRecordBytes = 1596;
using StartRecord = std::array<std::uint8_t, kStartRecordBytes>;

// Longest path a start record field holds, in UTF-16 code units: the field has room for 260,
// one of which is the terminating zero.
constexpr std::size_t kMaxStartPathUnits = 259;

// Builds the start record for a language file and the languages folder (full paths, UTF-8).
// A path longer than the field is cut, never at the middle of a character.
StartRecord BuildStartRecord(const std::string& languageFile, const std::string& languagesFolder);

// Full path of a configured start path: backslashes are read as folder separators, a path
// that is not absolute is taken relative to programFolder (which ends in '/'), ".", ".." and
// repeated separators are resolved, and the result is cut to kMaxStartPathUnits.
std::string CompleteStartPath(const std::string& configured, const std::string& programFolder);

// The same for the languages folder, which always ends in '/' before completion.
std::string CompleteLanguagesFolder(const std::string& configured,
                                    const std::string& programFolder);

// Message texts by id, filled once at start-up. Lookups may come from any thread after Start;
// Start and End run on the main thread while no other thread looks texts up. The translation
// library keeps one state per process, so only one table is started at a time.
class StringTable {
public:
    // The built-in English text of an id, or nullptr when the id has none.
    using EnglishSource = std::function<const char*(unsigned id)>;

    static constexpr unsigned kFirstId = 100;
    static constexpr unsigned kLastId = 400;
    static constexpr std::size_t kMaxEnglishBytes = 31998;
    static constexpr std::size_t kMaxTranslationBytes = 31999;

    // programFolder is the folder relative start paths are resolved against (the language
    // files live there); empty means the program folder of this process.
    explicit StringTable(EnglishSource english = FindResString, std::string programFolder = {});
    ~StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;

    // Starts the translation library with the configured language file and languages folder
    // and fills the table with every id from kFirstId to kLastId. Returns the library's thread
    // registration result, or 0 when the library refused to start (the language file is not
    // usable); the table then holds the English texts.
    unsigned Start(const std::string& languageFile, const std::string& languagesPath);

    // Loads the text of one id unless it is loaded already. False when the id has no text.
    // A translation is taken only when its printf conversions are those of the English text.
    bool Load(unsigned id);

    // The text of an id, or "!String did not found!" when it has none.
    const std::string& Lookup(unsigned id) const;

    // Ends the translation library (when it was started) and empties the table.
    void End();

    bool TranslationStarted() const { return translationStarted_; }

private:
    EnglishSource english_;
    std::string programFolder_;
    bool translationStarted_ = false;
    std::map<unsigned, std::string> texts_;
};

// The process's table.
StringTable& AppStrings();

// Short forms on the process's table.
unsigned StartStrings(const std::string& languageFile, const std::string& languagesPath);
const std::string& LoadStr(unsigned id);
void EndStrings();
