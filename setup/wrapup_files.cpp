#include "wrapup_files.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

bool CurrentFolder(std::string& folder) {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            folder = buffer.data();
            if (folder.empty() || folder.back() != '/')
                folder += '/';
            return true;
        }
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return false;
        buffer.resize(buffer.size() * 2);
    }
}
