// The capability texts of the effCanDo and audioMasterCanDo queries. Effects of this system
// answer none of them with "yes".
#pragma once

#include <cstddef>

namespace cando {

// What a plug-in may ask its host (interface version 2.0), and what version 2.2 adds.
extern const char* const kHostCanDos[];
extern const std::size_t kHostCanDoCount;
extern const char* const kHostCanDos22[];
extern const std::size_t kHostCanDo22Count;

// What a host may ask a plug-in (interface version 2.0), and what version 2.2 adds.
extern const char* const kPlugCanDos[];
extern const std::size_t kPlugCanDoCount;
extern const char* const kPlugCanDos22[];
extern const std::size_t kPlugCanDo22Count;

} // namespace cando
