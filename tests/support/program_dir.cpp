#include "program_dir.h"

#include <cstdlib>

namespace testsupport {

std::string ProgramDir() {
    const char* dir = std::getenv("VOXWARP_PROGRAM_DIR");
    std::string path = dir && *dir ? dir : VOXWARP_BUILD_PROGRAM_DIR;
    if (path.back() != '/')
        path += '/';
    return path;
}

} // namespace testsupport
