// The built-in English texts of the string table, by message id.
#pragma once

#include <cstddef>

struct ResString {
    unsigned id;
    const char* text; // UTF-8, printf formats kept as they are
};

// Every message of both programs, in ascending id order.
extern const ResString kResStrings[];
extern const size_t kResStringCount;

// The English text of a message id, or nullptr when the id has none.
const char* FindResString(unsigned id);
