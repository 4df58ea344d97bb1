#include "skin/format/skin_bytes.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

int ReadSkinFileBytes(const std::string& path, std::size_t maxBytes,
                      std::vector<std::uint8_t>& out) {
    out.clear();
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec)
        return ec.value() != 0 ? ec.value() : ENOENT;
    if (std::filesystem::is_directory(status))
        return EISDIR;
    if (!std::filesystem::is_regular_file(status))
        return EINVAL; // a FIFO or a device could block or never end
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return errno != 0 ? errno : EACCES;
    int error = 0;
    // Read in pieces up to one byte beyond the limit: the size the file has now, not the size
    // stat saw a moment ago, decides.
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        if (n > 0) {
            if (n > maxBytes - out.size()) {
                error = EFBIG;
                break;
            }
            out.insert(out.end(), buffer, buffer + n);
        }
        if (n < sizeof buffer) {
            if (std::ferror(file))
                error = errno != 0 ? errno : EIO;
            break;
        }
    }
    std::fclose(file);
    if (error != 0) {
        out.clear();
        out.shrink_to_fit();
    }
    return error;
}
