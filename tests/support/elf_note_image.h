// Small ELF files made in memory for tests of the version-strings reader: a file header, one
// note segment, a section table with one note section, and the notes themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

struct ElfImageOptions {
    bool wide = true;          // 64-bit, else 32-bit
    bool withSections = true;  // section header table with a note section
    bool withSegments = true;  // program header table with a note segment
    uint32_t noteAlign = 4;    // alignment of the note fields (4 or 8)
    bool precedingNote = true; // a GNU note before the package note
};

namespace elfimage {

inline void Put(std::string& b, size_t at, uint64_t value, int bytes) {
    if (b.size() < at + static_cast<size_t>(bytes))
        b.resize(at + static_cast<size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xff);
}

inline void Pad(std::string& b, uint32_t align) {
    while (b.size() % align != 0)
        b += '\0';
}

} // namespace elfimage

// One note: header, owner name with its zero, descriptor, each padded to align.
inline std::string ElfNote(std::string_view owner, uint32_t type, std::string_view desc,
                           uint32_t align = 4) {
    std::string note;
    elfimage::Put(note, 0, owner.size() + 1, 4);
    elfimage::Put(note, 4, desc.size(), 4);
    elfimage::Put(note, 8, type, 4);
    note.append(owner);
    note += '\0';
    elfimage::Pad(note, align);
    note.append(desc);
    elfimage::Pad(note, align);
    return note;
}

// The package note with json as its zero-terminated descriptor.
inline std::string PackageNote(std::string_view json, uint32_t align = 4) {
    std::string desc(json);
    desc += '\0';
    return ElfNote("FDO", 0xcafe1a7e, desc, align);
}

// An ELF file whose note region holds notes (already encoded).
inline std::string ElfWithNotes(const std::string& notes, const ElfImageOptions& o = {}) {
    using elfimage::Put;
    const bool w = o.wide;
    const size_t headerBytes = w ? 64 : 52;
    const size_t segmentBytes = w ? 56 : 32;
    const size_t sectionBytes = w ? 64 : 40;
    const size_t phoff = headerBytes;
    const size_t shoff = phoff + (o.withSegments ? segmentBytes : 0);
    size_t notesAt = shoff + (o.withSections ? 2 * sectionBytes : 0);
    notesAt = (notesAt + 7) / 8 * 8;

    std::string b(notesAt, '\0');
    b[0] = 0x7f;
    b[1] = 'E';
    b[2] = 'L';
    b[3] = 'F';
    b[4] = w ? 2 : 1;          // class
    b[5] = 1;                  // little endian
    b[6] = 1;                  // version
    Put(b, 16, 2, 2);          // executable
    Put(b, 18, w ? 62 : 3, 2); // x86-64 or i386
    Put(b, 20, 1, 4);
    if (w) {
        Put(b, 32, o.withSegments ? phoff : 0, 8);
        Put(b, 40, o.withSections ? shoff : 0, 8);
        Put(b, 52, headerBytes, 2);
        Put(b, 54, segmentBytes, 2);
        Put(b, 56, o.withSegments ? 1 : 0, 2);
        Put(b, 58, sectionBytes, 2);
        Put(b, 60, o.withSections ? 2 : 0, 2);
    } else {
        Put(b, 28, o.withSegments ? phoff : 0, 4);
        Put(b, 32, o.withSections ? shoff : 0, 4);
        Put(b, 40, headerBytes, 2);
        Put(b, 42, segmentBytes, 2);
        Put(b, 44, o.withSegments ? 1 : 0, 2);
        Put(b, 46, sectionBytes, 2);
        Put(b, 48, o.withSections ? 2 : 0, 2);
    }
    if (o.withSegments) {
        const size_t p = phoff;
        Put(b, p, 4, 4); // PT_NOTE
        if (w) {
            Put(b, p + 8, notesAt, 8);
            Put(b, p + 32, notes.size(), 8);
            Put(b, p + 40, notes.size(), 8);
            Put(b, p + 48, o.noteAlign, 8);
        } else {
            Put(b, p + 4, notesAt, 4);
            Put(b, p + 16, notes.size(), 4);
            Put(b, p + 20, notes.size(), 4);
            Put(b, p + 28, o.noteAlign, 4);
        }
    }
    if (o.withSections) {
        const size_t s = shoff + sectionBytes; // section 0 stays all zero
        Put(b, s + 4, 7, 4);                   // SHT_NOTE
        if (w) {
            Put(b, s + 8, 2, 8); // allocated
            Put(b, s + 24, notesAt, 8);
            Put(b, s + 32, notes.size(), 8);
            Put(b, s + 48, o.noteAlign, 8);
        } else {
            Put(b, s + 8, 2, 4);
            Put(b, s + 16, notesAt, 4);
            Put(b, s + 20, notes.size(), 4);
            Put(b, s + 32, o.noteAlign, 4);
        }
    }
    b += notes;
    return b;
}

// An ELF file with the package note holding json.
inline std::string ElfWithPackageNote(std::string_view json, const ElfImageOptions& o = {}) {
    std::string notes;
    if (o.precedingNote)
        notes = ElfNote("GNU", 1, std::string(16, '\x01'), o.noteAlign);
    notes += PackageNote(json, o.noteAlign);
    return ElfWithNotes(notes, o);
}

} // namespace testsupport
