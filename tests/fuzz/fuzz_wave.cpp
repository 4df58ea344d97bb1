// WAV reading and conversion to the mixing format: any bytes read or fail cleanly, and what
// reads converts or fails cleanly, within the conversion's length limit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "sound/wave.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& InputPath() {
    static const std::string path = "/tmp/voxwarp-fuzz-wave-" + std::to_string(getpid()) + ".wav";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;
    const WaveErrorNum usable = WaveCanUse(InputPath());
    Wave wave;
    const WaveErrorNum read = wave.ReadFromFile(InputPath());
    if (read != usable && read != kWaveReadError)
        __builtin_trap(); // the check and the read disagree about the same bytes
    if (read == kWaveSuccess)
        wave.ConvertToOneChanel16Bit();
    return 0;
}
