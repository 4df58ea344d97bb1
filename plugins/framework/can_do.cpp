#include "can_do.h"

#include <iterator>

namespace cando {

const char* const kHostCanDos[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "reportConnectionChanges",
    "acceptIOChanges",
    "sizeWindow",
    "asyncProcessing",
    "offline",
    "supplyIdle",
    "supportShell",
};
const std::size_t kHostCanDoCount = std::size(kHostCanDos);

const char* const kHostCanDos22[] = {"openFileSelector", "editFile", "closeFileSelector"};
const std::size_t kHostCanDo22Count = std::size(kHostCanDos22);

const char* const kPlugCanDos[] = {
    "sendVstEvents",
    "sendVstMidiEvent",
    "sendVstTimeInfo",
    "receiveVstEvents",
    "receiveVstMidiEvent",
    "receiveVstTimeInfo",
    "offline",
    "plugAsChannelInsert",
    "plugAsSend",
    "mixDryWet",
    "noRealTime",
    "multipass",
    "metapass",
    "1in1out",
    "1in2out",
    "2in1out",
    "2in2out",
    "2in4out",
    "4in2out",
    "4in4out",
    "4in8out",
    "8in4out",
    "8in8out",
};
const std::size_t kPlugCanDoCount = std::size(kPlugCanDos);

const char* const kPlugCanDos22[] = {"midiProgramNames", "conformsToWindowRules"};
const std::size_t kPlugCanDo22Count = std::size(kPlugCanDos22);

} // namespace cando
