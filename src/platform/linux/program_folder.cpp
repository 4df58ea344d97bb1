#include "platform/program_folder.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

// Present in the fallback folder once the installed content has been copied completely; a fill
// that was cut short (no marker) is completed at the next start.
constexpr const char* kFilledMarker = ".voxwarp-content";
// Deeper folders in the installed content are not copied (guards against link loops).
constexpr int kMaxCopyDepth = 16;

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Creates the folder and its missing parents.
int MakeFolders(const std::string& folder, mode_t mode) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        std::string part = folder.substr(0, pos);
        if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

// Copies a file unless the target exists. A copy that fails part way is removed, so that it
// is made again next time.
int CopyFileIfMissing(const std::string& from, const std::string& to, mode_t mode) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return errno;
    int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, (mode & 0777) | 0600);
    if (out < 0) {
        int rc = errno == EEXIST ? 0 : errno;
        close(in);
        return rc;
    }
    int rc = 0;
    std::vector<char> buf(65536);
    for (;;) {
        ssize_t n = read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            rc = errno;
            break;
        }
        if (n == 0)
            break;
        for (ssize_t done = 0; done < n && rc == 0;) {
            ssize_t w = write(out, buf.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno != EINTR)
                rc = errno;
            else if (w > 0)
                done += w;
        }
        if (rc != 0)
            break;
    }
    if (close(out) != 0 && rc == 0)
        rc = errno;
    close(in);
    if (rc != 0)
        unlink(to.c_str());
    return rc;
}

// Copies what is missing of the folder tree "from" into "to" (both ending in '/'). Returns the
// first error; copying goes on past it.
int CopyMissing(const std::string& from, const std::string& to, int depth) {
    DIR* dir = opendir(from.c_str());
    if (!dir)
        return errno == ENOENT ? 0 : errno;
    int firstError = 0;
    auto note = [&firstError](int rc) {
        if (firstError == 0)
            firstError = rc;
    };
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string source = from + name;
        std::string target = to + name;
        struct stat st {};
        if (stat(source.c_str(), &st) != 0) {
            note(errno);
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (depth >= kMaxCopyDepth)
                continue;
            if (mkdir(target.c_str(), 0700) != 0 && errno != EEXIST) {
                note(errno);
                continue;
            }
            struct stat existing {};
            if (stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
                note(CopyMissing(source + "/", target + "/", depth + 1));
        } else if (S_ISREG(st.st_mode)) {
            if (int rc = CopyFileIfMissing(source, target, st.st_mode); rc != 0)
                note(rc);
        }
    }
    closedir(dir);
    return firstError;
}

int FillFromInstalledContent(const std::string& folder, const std::string& exeFolder) {
    std::string marker = folder + kFilledMarker;
    if (access(marker.c_str(), F_OK) == 0)
        return 0;
    int rc = CopyMissing(WithSlash(exeFolder) + "../share/voxwarp/", folder, 0);
    if (rc != 0)
        return rc;
    int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    close(fd);
    return 0;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buf(16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir)
        return pw.pw_dir;
    return {};
}

} // namespace

ProgramFolderSetting CurrentProgramFolderSetting() {
    ProgramFolderSetting setting;
    if (const char* value = std::getenv("VOXWARP_HOME"))
        setting.voxwarpHome = value;
    if (const char* value = std::getenv("XDG_DATA_HOME"))
        setting.xdgDataHome = value;
    setting.home = HomeFolder();
    setting.exeFolder = ExecutableFolder();
    setting.exeFolderWritable = access(setting.exeFolder.c_str(), W_OK) == 0;
    return setting;
}

namespace {

// An installed program (its content in ../share/voxwarp/) keeps the user's files in the user's
// folder even where the user may write to the program's folder (a prefix in the home folder, or
// root's /usr/local).
bool IsInstalledLayout(const std::string& exeFolder) {
    struct stat info {};
    return stat((WithSlash(exeFolder) + "../share/voxwarp").c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

} // namespace

std::string ResolveProgramFolder(const ProgramFolderSetting& setting, int* error) {
    int rc = 0;
    std::string folder;
    if (!setting.voxwarpHome.empty()) {
        folder = WithSlash(setting.voxwarpHome);
        rc = MakeFolders(folder, 0700);
    } else if (!setting.exeFolder.empty() && setting.exeFolderWritable &&
               !IsInstalledLayout(setting.exeFolder)) {
        folder = WithSlash(setting.exeFolder);
    } else {
        std::string base;
        if (!setting.xdgDataHome.empty() && setting.xdgDataHome.front() == '/')
            base = setting.xdgDataHome;
        else if (!setting.home.empty())
            base = WithSlash(setting.home) + ".local/share";
        if (base.empty()) {
            // No home to fall back on: stay in the executable's folder.
            folder = WithSlash(setting.exeFolder);
            rc = EACCES;
        } else {
            folder = WithSlash(base) + "voxwarp/";
            rc = MakeFolders(folder, 0700);
            if (rc == 0)
                rc = FillFromInstalledContent(folder, setting.exeFolder);
        }
    }
    if (error)
        *error = rc;
    return folder;
}

const std::string& ProgramFolder() {
    static const std::string folder = ResolveProgramFolder(CurrentProgramFolderSetting());
    return folder;
}

} // namespace platform
