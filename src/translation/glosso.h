// The translation library's four entry points. The language file is a gettext message catalog
// (.mo) whose message ids are the built-in English texts.
#pragma once

#include <cstddef>

extern "C" {

// Size of the start record handed to GLStart, in bytes.
constexpr std::size_t kGlStartRecordSize = 1596;

// Starts the library with a start record (layout: see strtable). Non-zero on success.
int GLStart(const void* startRecord);

// Registers a thread that will ask for translations. Non-zero on success.
int GLAddThread(unsigned long threadId);

// Looks up the translation of the UTF-8 text `english`. When there is one, writes at most
// maxChars bytes of it plus a terminating zero into dest (which holds maxChars + 1 bytes) and
// returns non-zero; returns 0 when there is no translation (dest is then left unchanged).
int GLTranslateString(char* dest, const char* english, int maxChars);

// Releases everything GLStart set up. Non-zero on success.
int GLEnd(void);
}
