// The translation library: a start record names a gettext catalog whose message ids are the
// built-in English texts; translations are looked up by exact English text.
#include "glosso.h"

#include "mo_catalog.h"
#include "text/utf.h"
#include "text/utf8cut.h"

#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#define GLOSSO_EXPORT __attribute__((visibility("default")))

namespace {

constexpr std::size_t kLanguageFileOffset = 4;
constexpr std::size_t kLanguagesFolderOffset = 524;
constexpr std::size_t kPathFieldBytes = 520;
// Language files are small; anything bigger is not one of ours.
constexpr std::uintmax_t kMaxCatalogBytes = 64u << 20;

struct Session {
    std::string languageFile;
    std::string languagesFolder;
    std::unique_ptr<glosso::MoCatalog> catalog; // null when the language file does not exist
    std::vector<unsigned long> threads;
};

// GLStart and GLEnd replace the session under the exclusive lock; translations read it under
// the shared lock, so they may come from any thread.
std::shared_mutex g_lock;
std::unique_ptr<Session> g_session;

// A zero-terminated UTF-16LE path field of the start record, as UTF-8. Nothing when the field
// holds no terminating zero or a broken surrogate pair.
std::optional<std::string> ReadPathField(const unsigned char* field) {
    std::string out;
    auto unit = [field](std::size_t i) -> char16_t {
        return static_cast<char16_t>(field[2 * i] | field[2 * i + 1] << 8);
    };
    const std::size_t units = kPathFieldBytes / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t u = unit(i);
        if (u == 0)
            return out;
        if (u >= 0xDC00 && u <= 0xDFFF)
            return std::nullopt;
        if (u >= 0xD800 && u <= 0xDBFF) {
            char16_t low = i + 1 < units ? unit(i + 1) : 0;
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (low - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, u);
        }
    }
    return std::nullopt;
}

enum class CatalogLoad { Loaded, Missing, Refused };

CatalogLoad LoadCatalog(const std::string& path, std::unique_ptr<glosso::MoCatalog>& catalog) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (path.empty() || status.type() == fs::file_type::not_found)
        return CatalogLoad::Missing;
    if (ec || status.type() != fs::file_type::regular)
        return CatalogLoad::Refused;
    std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxCatalogBytes)
        return CatalogLoad::Refused;

    std::ifstream in(path, std::ios::binary);
    if (!in)
        return CatalogLoad::Refused;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    // A file that changed size since it was measured is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad())
        return CatalogLoad::Refused;
    auto loaded = std::make_unique<glosso::MoCatalog>(std::move(bytes));
    if (loaded->Error() != glosso::MoError::None)
        return CatalogLoad::Refused;
    catalog = std::move(loaded);
    return CatalogLoad::Loaded;
}

// The session a start record asks for, or null when the record or the language file is refused.
std::unique_ptr<Session> StartSession(const void* startRecord) {
    if (startRecord == nullptr)
        return nullptr;
    const auto* record = static_cast<const unsigned char*>(startRecord);
    std::uint32_t size = std::uint32_t(record[0]) | std::uint32_t(record[1]) << 8 |
                         std::uint32_t(record[2]) << 16 | std::uint32_t(record[3]) << 24;
    if (size != kGlStartRecordSize)
        return nullptr;
    std::optional<std::string> languageFile = ReadPathField(record + kLanguageFileOffset);
    std::optional<std::string> languagesFolder = ReadPathField(record + kLanguagesFolderOffset);
    if (!languageFile || !languagesFolder)
        return nullptr;

    auto session = std::make_unique<Session>();
    session->languageFile = std::move(*languageFile);
    session->languagesFolder = std::move(*languagesFolder);
    // Without a language file the built-in texts stay: start anyway, translate nothing.
    if (LoadCatalog(session->languageFile, session->catalog) == CatalogLoad::Refused)
        return nullptr;
    return session;
}

} // namespace

extern "C" {

GLOSSO_EXPORT int GLStart(const void* startRecord) {
    std::unique_lock lock(g_lock);
    g_session.reset();
    // Memory running out while the catalog loads makes the language file unusable, like a
    // damaged one; no exception leaves the library.
    try {
        g_session = StartSession(startRecord);
    } catch (const std::exception&) {
        g_session.reset();
    }
    return g_session ? 1 : 0;
}

GLOSSO_EXPORT int GLAddThread(unsigned long threadId) {
    std::unique_lock lock(g_lock);
    if (!g_session)
        return 0;
    try {
        g_session->threads.push_back(threadId);
    } catch (const std::exception&) {
        return 0;
    }
    return 1;
}

GLOSSO_EXPORT int GLTranslateString(char* dest, const char* english, int maxChars) {
    if (dest == nullptr || english == nullptr || maxChars < 0)
        return 0;
    std::shared_lock lock(g_lock);
    if (!g_session || !g_session->catalog)
        return 0;
    std::optional<std::string_view> translation = g_session->catalog->Find(english);
    if (!translation)
        return 0;
    std::size_t length = Utf8PrefixLength(*translation, static_cast<std::size_t>(maxChars));
    std::memcpy(dest, translation->data(), length);
    dest[length] = '\0';
    return 1;
}

GLOSSO_EXPORT int GLEnd(void) {
    std::unique_lock lock(g_lock);
    bool wasStarted = g_session != nullptr;
    g_session.reset();
    return wasStarted ? 1 : 0;
}

} // extern "C"
