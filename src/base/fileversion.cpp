#include "base/fileversion.h"

#include "base/version_note.h"

#include <cstdio>
#include <string_view>

namespace {

// The version strings in their standard order, with the field of the record each one fills.
struct TextField {
    const char* name;
    std::string FileVersionRecord::*field;
};

constexpr std::array<TextField, 12> kTextFields = {{
    {"Comments", &FileVersionRecord::comments},
    {"CompanyName", &FileVersionRecord::companyName},
    {"FileDescription", &FileVersionRecord::fileDescription},
    {"FileVersion", &FileVersionRecord::fileVersion},
    {"InternalName", &FileVersionRecord::internalName},
    {"LegalCopyright", &FileVersionRecord::legalCopyright},
    {"LegalTrademarks", &FileVersionRecord::legalTrademarks},
    {"OriginalFilename", &FileVersionRecord::originalFilename},
    {"ProductName", &FileVersionRecord::productName},
    {"ProductVersion", &FileVersionRecord::productVersion},
    {"PrivateBuild", &FileVersionRecord::privateBuild},
    {"SpecialBuild", &FileVersionRecord::specialBuild},
}};

// The leading integer of a token, like atoi: blanks, an optional sign, decimal digits.
uint16_t TokenNumber(std::string_view token) {
    size_t i = 0;
    while (i < token.size() && (token[i] == ' ' || token[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == '+' || token[i] == '-'))
        negative = token[i++] == '-';
    uint32_t value = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(token[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<uint16_t>(value);
}

std::string VersionText(const std::array<uint16_t, 4>& n) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
    return text;
}

} // namespace

std::array<uint16_t, 4> SplitVersionNumbers(const std::string& text) {
    std::array<uint16_t, 4> numbers{};
    size_t count = 0;
    size_t pos = 0;
    while (count < numbers.size() && pos < text.size()) {
        const size_t start = text.find_first_not_of(".,", pos);
        if (start == std::string::npos)
            break;
        size_t end = text.find_first_of(".,", start);
        if (end == std::string::npos)
            end = text.size();
        numbers[count++] = TokenNumber(std::string_view(text).substr(start, end - start));
        pos = end;
    }
    return numbers;
}

std::string ThisProgramFileVersion() {
    FileVersionRecord record;
    GetFileVersionStrings("/proc/self/exe", 1033, 1200, record);
    return record.fileVersion;
}

int GetFileVersionStrings(const std::string& path, unsigned /*language*/, unsigned /*codePage*/,
                          FileVersionRecord& record) {
    record = FileVersionRecord{};
    versionnote::StringTable strings;
    if (int rc = versionnote::ReadVersionStrings(path, strings); rc != 0)
        return rc;
    for (const TextField& text : kTextFields) {
        if (const std::string* value = versionnote::FindString(strings, text.name))
            record.*text.field = *value;
    }
    record.productVersionNumbers = SplitVersionNumbers(record.productVersion);
    record.fileVersionNumbers = SplitVersionNumbers(record.fileVersion);
    record.productVersionText = VersionText(record.productVersionNumbers);
    record.fileVersionText = VersionText(record.fileVersionNumbers);
    return 0;
}
