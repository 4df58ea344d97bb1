#include "resstrings.h"

#include <algorithm>

const ResString kResStrings[] = {
    {113, "Voxwarp"},
    {120, "Success"},
};
const size_t kResStringCount = sizeof kResStrings / sizeof kResStrings[0];

const char* FindResString(unsigned id) {
    const ResString* end = kResStrings + kResStringCount;
    const ResString* it =
        std::lower_bound(kResStrings, end, id, [](const ResString& s, unsigned v) { return s.id < v; });
    return it != end && it->id == id ? it->text : nullptr;
}
