#include "bench_paths.h"

#include <unistd.h>

#include <climits>

std::string BenchBuildFolder() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
    folder = folder.substr(0, folder.rfind('/'));   // <build>/bench
    return folder.substr(0, folder.rfind('/') + 1); // <build>/
}
