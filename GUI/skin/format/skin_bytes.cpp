#include "skin/format/skin_bytes.h"

#include "sound/riff.h"

#include <cerrno>

int ReadSkinFileBytes(const std::string& path, std::size_t maxBytes,
                      std::vector<std::uint8_t>& out) {
    out.clear();
    // RiffFile opens only regular files: a FIFO or a device could block or never end.
    RiffFile file;
    if (const int error = file.Open(path); error != 0)
        return error;
    if (file.Size() > maxBytes)
        return EFBIG;
    out.resize(static_cast<std::size_t>(file.Size()));
    if (const int error = file.ReadAt(0, out.data(), out.size()); error != 0) {
        out.clear();
        out.shrink_to_fit();
        return error;
    }
    return 0;
}
