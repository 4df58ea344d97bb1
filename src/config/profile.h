// Profile files: INI files read and written key by key, with values scanned and formatted the
// way the configuration stores them ("%u", "%d", "%f", texts read with a 1024-character buffer).
// Numbers are written and scanned without regard to the process locale.
#pragma once

#include "config/ini.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Texts are read as into a buffer of this many characters, the terminating zero included: a
// longer value keeps its first kProfileBufferChars - 1 characters.
constexpr size_t kProfileBufferChars = 1024;

// "%u": blanks, an optional sign and decimal digits; the value is taken modulo 2^32 (a '-'
// negates it modulo 2^32). Text after the digits is ignored. Nothing when no digit follows.
std::optional<uint32_t> ScanUnsigned(std::string_view text);
// "%d": like ScanUnsigned, with values beyond the 32-bit range held at its ends.
std::optional<int32_t> ScanInt(std::string_view text);
// "%f": blanks, then a decimal floating-point number; nothing when there is none or when it is
// not finite.
std::optional<float> ScanFloat(std::string_view text);

std::string FormatUnsigned(uint32_t value);
std::string FormatInt(int32_t value);
// Six decimals, as "%f".
std::string FormatFloat(float value);

// One profile file loaded into memory: many reads and writes, then one crash-safe save.
class ProfileFile {
public:
    // An empty document of no file, to compose text in (Save fails).
    ProfileFile() = default;
    // Reads the file. A missing file gives an empty document and is not an error.
    explicit ProfileFile(std::string path);

    const std::string& Path() const { return path_; }
    // 0, or the errno value of the failed read (or of the last failed save).
    int Error() const { return error_; }

    IniDocument& Doc() { return doc_; }
    const IniDocument& Doc() const { return doc_; }

    // The value of a key, or the default when it is missing, cut to the text buffer.
    std::string ReadText(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
    // A number key; the default when the key is missing, empty or does not scan.
    uint32_t ReadUnsigned(std::string_view section, std::string_view key,
                          uint32_t defaultValue) const;
    int32_t ReadInt(std::string_view section, std::string_view key, int32_t defaultValue) const;
    float ReadFloat(std::string_view section, std::string_view key, float defaultValue) const;

    // Sets a key. A value that equals what ReadText gives for the key leaves the line as it
    // stands, so that a text longer than the buffer survives being read and written back.
    bool WriteText(std::string_view section, std::string_view key, std::string_view value);
    bool WriteUnsigned(std::string_view section, std::string_view key, uint32_t value) {
        return doc_.Set(section, key, FormatUnsigned(value));
    }
    bool WriteInt(std::string_view section, std::string_view key, int32_t value) {
        return doc_.Set(section, key, FormatInt(value));
    }
    bool WriteFloat(std::string_view section, std::string_view key, float value) {
        return doc_.Set(section, key, FormatFloat(value));
    }

    // Starts over from an empty document (the next Save replaces the whole file).
    void Clear() { doc_ = IniDocument(); }

    // Writes the document to the file in one atomic replace; does nothing when the file already
    // holds exactly this content. A file that could not be read is never replaced, so that its
    // content cannot be lost. Returns false and sets Error() on failure.
    bool Save();

private:
    std::string path_;
    IniDocument doc_;
    std::string loaded_; // the bytes read, to skip writes that change nothing
    bool existed_ = false;
    int readError_ = 0;
    int error_ = 0;
};

// The classic profile functions: each call reads the file, and a write saves it at once.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue);
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);
bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key);
bool DeleteProfileSection(const std::string& path, std::string_view section);
