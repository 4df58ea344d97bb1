#include "base/version_note.h"

#include "text/utf.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace versionnote {
namespace {

constexpr uint32_t kSectionTypeNote = 7; // SHT_NOTE
constexpr uint32_t kSegmentTypeNote = 4; // PT_NOTE
constexpr uint32_t kPhnumInSection = 0xffff;
// Limits against damaged headers: no real file comes near them.
constexpr uint64_t kMaxTableEntries = 1u << 20;
constexpr uint64_t kMaxNotesVisited = 1u << 20;
constexpr size_t kNoteHeaderBytes = 12;

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Le64(const unsigned char* p) {
    return static_cast<uint64_t>(Le32(p)) | static_cast<uint64_t>(Le32(p + 4)) << 32;
}

// Whether [offset, offset + size) lies inside a file of fileSize bytes.
bool InsideFile(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

// The field layout of one ELF class.
struct ElfClass {
    bool wide; // 64-bit
    uint64_t Word(const unsigned char* p) const { return wide ? Le64(p) : Le32(p); }
    size_t HeaderBytes() const { return wide ? 64 : 52; }
    size_t SectionBytes() const { return wide ? 64 : 40; }
    size_t SegmentBytes() const { return wide ? 56 : 32; }
};

// One table of headers (sections or segments) as the file header describes it.
struct HeaderTable {
    uint64_t offset = 0;
    uint64_t entryBytes = 0;
    uint64_t count = 0;
};

// A region of the file that holds notes, and the alignment of their fields.
struct NoteRegion {
    uint64_t offset;
    uint64_t size;
    uint64_t align;
};

class NoteFinder {
public:
    explicit NoteFinder(const ByteSource& file) : file_(file), fileSize_(file.Size()) {}

    NoteSearch Find(std::string& json) {
        unsigned char header[64] = {};
        if (!Read(0, header, 16))
            return readFailed_ ? NoteSearch::kReadError : NoteSearch::kNotElf;
        static constexpr unsigned char kMagic[] = {0x7f, 'E', 'L', 'F'};
        if (std::memcmp(header, kMagic, 4) != 0 || (header[4] != 1 && header[4] != 2) ||
            header[5] != 1)
            return NoteSearch::kNotElf;
        elf_.wide = header[4] == 2;
        if (!Read(0, header, elf_.HeaderBytes()))
            return readFailed_ ? NoteSearch::kReadError : NoteSearch::kNotElf;

        HeaderTable sections = SectionTable(header);
        HeaderTable segments = SegmentTable(header);
        if (SearchSections(sections, json) || SearchSegments(segments, json))
            return NoteSearch::kFound;
        json.clear();
        return readFailed_ ? NoteSearch::kReadError : NoteSearch::kNoNote;
    }

private:
    bool Read(uint64_t offset, void* buffer, size_t size) {
        if (!InsideFile(offset, size, fileSize_))
            return false;
        if (!file_.ReadAt(offset, buffer, size)) {
            readFailed_ = true;
            return false;
        }
        return true;
    }

    // Reads the first section header, which holds the true counts when they do not fit the
    // file header (extended numbering).
    bool ReadSectionZero(const HeaderTable& table, unsigned char* out) {
        return table.offset != 0 && table.entryBytes >= elf_.SectionBytes() &&
               Read(table.offset, out, elf_.SectionBytes());
    }

    HeaderTable SectionTable(const unsigned char* h) {
        HeaderTable t;
        t.offset = elf_.wide ? Le64(h + 40) : Le32(h + 32);
        t.entryBytes = Le16(h + (elf_.wide ? 58 : 46));
        t.count = Le16(h + (elf_.wide ? 60 : 48));
        unsigned char zero[64];
        if (t.count == 0 && ReadSectionZero(t, zero))
            t.count = elf_.wide ? Le64(zero + 32) : Le32(zero + 20); // sh_size
        return t;
    }

    HeaderTable SegmentTable(const unsigned char* h) {
        HeaderTable t;
        t.offset = elf_.wide ? Le64(h + 32) : Le32(h + 28);
        t.entryBytes = Le16(h + (elf_.wide ? 54 : 42));
        t.count = Le16(h + (elf_.wide ? 56 : 44));
        if (t.count == kPhnumInSection) {
            HeaderTable sections = SectionTable(h);
            unsigned char zero[64];
            t.count = ReadSectionZero(sections, zero) ? Le32(zero + (elf_.wide ? 44 : 28)) : 0;
        }
        return t;
    }

    // Whether the table can be walked: entries large enough and all inside the file.
    bool Usable(const HeaderTable& t, size_t minEntryBytes) const {
        return t.offset != 0 && t.count != 0 && t.count <= kMaxTableEntries &&
               t.entryBytes >= minEntryBytes &&
               InsideFile(t.offset, t.count * t.entryBytes, fileSize_);
    }

    static uint64_t NoteAlign(uint64_t declared) { return declared == 8 ? 8 : 4; }

    bool SearchSections(const HeaderTable& t, std::string& json) {
        if (!Usable(t, elf_.SectionBytes()))
            return false;
        unsigned char s[64];
        for (uint64_t i = 0; i < t.count; ++i) {
            if (!Read(t.offset + i * t.entryBytes, s, elf_.SectionBytes()))
                return false;
            if (Le32(s + 4) != kSectionTypeNote)
                continue;
            NoteRegion region{elf_.Word(s + (elf_.wide ? 24 : 16)),
                              elf_.Word(s + (elf_.wide ? 32 : 20)),
                              NoteAlign(elf_.Word(s + (elf_.wide ? 48 : 32)))};
            if (SearchNotes(region, json))
                return true;
        }
        return false;
    }

    bool SearchSegments(const HeaderTable& t, std::string& json) {
        if (!Usable(t, elf_.SegmentBytes()))
            return false;
        unsigned char p[56];
        for (uint64_t i = 0; i < t.count; ++i) {
            if (!Read(t.offset + i * t.entryBytes, p, elf_.SegmentBytes()))
                return false;
            if (Le32(p) != kSegmentTypeNote)
                continue;
            NoteRegion region{elf_.Word(p + (elf_.wide ? 8 : 4)),
                              elf_.Word(p + (elf_.wide ? 32 : 16)),
                              NoteAlign(elf_.Word(p + (elf_.wide ? 48 : 28)))};
            if (SearchNotes(region, json))
                return true;
        }
        return false;
    }

    static uint64_t AlignUp(uint64_t value, uint64_t align) {
        return (value + align - 1) & ~(align - 1);
    }

    // Walks the notes of a region; a note whose fields run past the region ends the walk. The
    // descriptor and the next note start at the alignment, counted from the note's start.
    bool SearchNotes(const NoteRegion& region, std::string& json) {
        if (!InsideFile(region.offset, region.size, fileSize_))
            return false;
        const uint64_t end = region.offset + region.size;
        uint64_t pos = region.offset;
        while (end - pos >= kNoteHeaderBytes && notesVisited_++ < kMaxNotesVisited) {
            unsigned char n[kNoteHeaderBytes];
            if (!Read(pos, n, sizeof n))
                return false;
            const uint64_t nameSize = Le32(n);
            const uint64_t descSize = Le32(n + 4);
            const uint32_t type = Le32(n + 8);
            const uint64_t nameAt = pos + kNoteHeaderBytes;
            const uint64_t descAt = pos + AlignUp(kNoteHeaderBytes + nameSize, region.align);
            if (descAt > end || end - descAt < descSize)
                return false;
            const uint64_t next = pos + AlignUp(descAt - pos + descSize, region.align);
            if (type == kPackageNoteType && nameSize == 4 && descSize <= kMaxDescriptorBytes) {
                char name[4];
                if (!Read(nameAt, name, sizeof name))
                    return false;
                if (std::memcmp(name, "FDO", 4) == 0) {
                    std::string desc(static_cast<size_t>(descSize), '\0');
                    if (!Read(descAt, desc.data(), desc.size()))
                        return false;
                    json.assign(desc.c_str()); // up to the terminating zero
                    return true;
                }
            }
            if (next >= end)
                break;
            pos = next;
        }
        return false;
    }

    const ByteSource& file_;
    const uint64_t fileSize_;
    ElfClass elf_{false};
    uint64_t notesVisited_ = 0;
    bool readFailed_ = false;
};

// A strict reader of a flat JSON object of strings.
class StringObjectReader {
public:
    explicit StringObjectReader(std::string_view text) : text_(text) {}

    bool Read(StringTable& strings) {
        SkipBlanks();
        if (!Take('{'))
            return false;
        SkipBlanks();
        if (!Take('}')) {
            for (;;) {
                std::string name, value;
                SkipBlanks();
                if (!ReadString(name))
                    return false;
                SkipBlanks();
                if (!Take(':'))
                    return false;
                SkipBlanks();
                if (!ReadString(value))
                    return false;
                if (FindString(strings, name))
                    return false;
                strings.emplace_back(std::move(name), std::move(value));
                SkipBlanks();
                if (Take('}'))
                    break;
                if (!Take(','))
                    return false;
            }
        }
        SkipBlanks();
        return pos_ == text_.size();
    }

private:
    bool Take(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                       text_[pos_] == '\n' || text_[pos_] == '\r'))
            ++pos_;
    }

    // Four hexadecimal digits of a \u escape.
    bool ReadHex4(char32_t& unit) {
        if (text_.size() - pos_ < 4)
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<char32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<char32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<char32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    // A \u escape (after the "\u"), with the second half of a surrogate pair.
    bool ReadUnicodeEscape(std::string& out) {
        char32_t c;
        if (!ReadHex4(c) || c == 0 || (c >= 0xDC00 && c <= 0xDFFF))
            return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            char32_t low;
            if (!Take('\\') || !Take('u') || !ReadHex4(low) || low < 0xDC00 || low > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, c);
        return true;
    }

    bool ReadEscape(std::string& out) {
        if (pos_ >= text_.size())
            return false;
        switch (text_[pos_++]) {
        case '"':
            out += '"';
            return true;
        case '\\':
            out += '\\';
            return true;
        case '/':
            out += '/';
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            return ReadUnicodeEscape(out);
        default:
            return false;
        }
    }

    bool ReadString(std::string& out) {
        if (!Take('"'))
            return false;
        while (pos_ < text_.size()) {
            const unsigned char c = static_cast<unsigned char>(text_[pos_]);
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                ++pos_;
                if (!ReadEscape(out))
                    return false;
            } else if (c < 0x80) {
                out += static_cast<char>(c);
                ++pos_;
            } else {
                const size_t length = Utf8CharLength(text_, pos_);
                if (length == 0)
                    return false;
                out.append(text_.substr(pos_, length));
                pos_ += length;
            }
        }
        return false;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

// The bytes of a regular file, read on demand.
class FileByteSource : public ByteSource {
public:
    FileByteSource(std::ifstream& stream, uint64_t size) : stream_(stream), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) const override {
        if (!InsideFile(offset, size, size_))
            return false;
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
        return stream_.good() && static_cast<size_t>(stream_.gcount()) == size;
    }

private:
    std::ifstream& stream_;
    uint64_t size_;
};

} // namespace

bool MemoryByteSource::ReadAt(uint64_t offset, void* buffer, size_t size) const {
    if (!InsideFile(offset, size, bytes_.size()))
        return false;
    if (size != 0)
        std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
}

NoteSearch FindPackageNote(const ByteSource& file, std::string& json) {
    json.clear();
    return NoteFinder(file).Find(json);
}

bool ParseStringObject(std::string_view json, StringTable& strings) {
    strings.clear();
    if (StringObjectReader(json).Read(strings))
        return true;
    strings.clear();
    return false;
}

const std::string* FindString(const StringTable& strings, std::string_view name) {
    for (const auto& [key, value] : strings) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

int ReadVersionStrings(const std::string& path, StringTable& strings) {
    namespace fs = std::filesystem;
    strings.clear();
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec)
        return ec.value();
    if (fs::is_directory(status))
        return EISDIR;
    if (!fs::is_regular_file(status))
        return ENOEXEC;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec)
        return ec.value();

    errno = 0;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open())
        return errno != 0 ? errno : EIO;
    FileByteSource file(stream, size);
    std::string json;
    switch (FindPackageNote(file, json)) {
    case NoteSearch::kFound:
        break;
    case NoteSearch::kNotElf:
        return ENOEXEC;
    case NoteSearch::kNoNote:
        return ENODATA;
    case NoteSearch::kReadError:
        return EIO;
    }
    return ParseStringObject(json, strings) ? 0 : ENODATA;
}

} // namespace versionnote
