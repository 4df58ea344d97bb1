#include "effect/effect_library.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/error.h"
#include "base/mlog.h"
#include "base/strtable.h"
#include "base/text_case.h"
#include "effect/effect.h"
#include "effect/effect_names.h"
#include "platform/atomic_file.h"
#include "platform/system_error.h"
#include "sound/wave.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPluginExtension = ".so";
// Sounds are WAV files, listed by this extension in any case.
constexpr std::string_view kSoundExtension = ".wav";

std::mutex lastFolderMutex;
std::string lastFolder;

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// Deletes a file; kindId names what it is in the message.
void DeleteFile(const std::string& path, unsigned kindId) {
    std::error_code error;
    // A write-protected file is made writable first, as a user deleting it would expect.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
    if (error) {
        throw MyError(LoadStr(241).c_str(), path.c_str(), static_cast<unsigned>(error.value()));
    }
    if (!fs::remove(path, error) || error) {
        unsigned code = error ? static_cast<unsigned>(error.value()) : ENOENT;
        throw MyError(LoadStr(242).c_str(), LoadStr(kindId).c_str(), path.c_str(), code);
    }
}

// The designed message of a failed file operation with the system's own description of its
// error beside the code.
[[noreturn]] void ThrowFileError(unsigned textId, int code) {
    const MyError designed(LoadStr(textId).c_str(), static_cast<unsigned>(code));
    const char* description = platform::SystemErrorDescription(static_cast<std::uint32_t>(code));
    if (description == nullptr)
        throw designed;
    throw MyError("%s (%s)", designed.Text() != nullptr ? designed.Text() : "", description);
}

// Makes the folder and all above it; returns 0 or the error code, ENOTDIR when something else
// stands where the folder belongs.
int MakeFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (fs::is_directory(folder, error))
        return 0;
    return fs::exists(folder, error) ? ENOTDIR : error ? error.value() : ENOENT;
}

// A temporary file of this process's own beside the target, named after it.
int CreateTemporaryBeside(const std::string& target, std::string& temporary) {
    const fs::path path(target);
    return platform::CreateUniqueFile(path.parent_path().string(),
                                      "." + path.filename().string() + ".import-", temporary);
}

// Copies source to target through a temporary file of its own in the target's folder, so that
// a failed copy never leaves a partial target and two copies never share a file. An existing
// target is kept (EEXIST). Returns 0 or the error code.
int CopyInto(const std::string& source, const std::string& target) {
    std::error_code error;
    int code = MakeFolder(fs::path(target).parent_path());
    if (code != 0) {
        return code;
    }
    std::string temporary;
    code = CreateTemporaryBeside(target, temporary);
    if (code != 0) {
        return code;
    }
    fs::copy_file(source, temporary, fs::copy_options::overwrite_existing, error);
    code = error ? error.value() : platform::RenameNoReplace(temporary, target);
    if (code != 0) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    return code;
}

// The name an imported sound is stored under: its file name, with ".wav" in place of any other
// extension (the content decides what it is, and only ".wav" files are listed).
std::string StoredSoundName(const std::string& fileName) {
    if (HasExtension(fileName, kSoundExtension)) {
        return fileName;
    }
    const std::size_t dot = fileName.rfind('.');
    return (dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot)) +
           std::string(kSoundExtension);
}

std::vector<std::string> ListFiles(const std::string& folder, const std::string& extension,
                                   bool stripExtension) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) {
            continue;
        }
        std::string name = it->path().filename().string();
        if (HasExtension(name, extension)) {
            names.push_back(stripExtension ? name.substr(0, name.size() - extension.size()) : name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ImportSound(const std::string& sourcePath, const std::string& folder,
                        unsigned existsId) {
    const std::string sourceName = ImportFileName(sourcePath);
    if (sourceName.empty()) {
        // A path that names no file cannot be imported; the message names it.
        throw MyError(LoadStr(250).c_str(), WaveErrorText(kWaveOpenError).c_str(),
                      sourcePath.c_str());
    }
    const std::string fileName = StoredSoundName(sourceName);
    if (Exists(folder + fileName)) {
        throw MyError(LoadStr(existsId).c_str(), fileName.c_str());
    }
    WaveErrorNum checked = WaveCanUse(sourcePath);
    if (checked != kWaveSuccess) {
        throw MyError(LoadStr(250).c_str(), WaveErrorText(checked).c_str(), sourcePath.c_str());
    }
    Wave wave;
    WaveErrorNum read = wave.ReadFromFile(sourcePath);
    if (read != kWaveSuccess) {
        throw MyError(LoadStr(250).c_str(), WaveErrorText(read).c_str(), sourcePath.c_str());
    }
    const WaveFormat source = wave.format;
    std::uint32_t converted = wave.ConvertToOneChanel16Bit();
    if (converted != 0) {
        char tag[128];
        if (source.formatTag == kWaveFormatPcm) {
            std::snprintf(tag, sizeof tag, "%s", LoadStr(255).c_str());
        } else {
            std::snprintf(tag, sizeof tag, LoadStr(252).c_str(),
                          static_cast<unsigned>(source.formatTag));
        }
        const MyError designed(LoadStr(253).c_str(), tag,
                               static_cast<unsigned>(source.samplesPerSec),
                               static_cast<unsigned>(source.channels),
                               static_cast<unsigned>(source.bitsPerSample), converted);
        throw MyError("%s\n%s", designed.Text() != nullptr ? designed.Text() : "",
                      WaveConvertErrorText(converted).c_str());
    }
    // Converted into a file of this import's own beside the target, then moved into place in
    // one step: parallel imports never share a file, and no one sees a half-written sound.
    std::error_code error;
    std::string temporary;
    int code = MakeFolder(fs::path(folder + fileName).parent_path());
    if (code == 0) {
        code = CreateTemporaryBeside(folder + fileName, temporary);
    }
    if (code != 0) {
        ThrowFileError(254, code);
    }
    if (wave.WriteToFile(temporary) != kWaveSuccess) {
        fs::remove(temporary, error);
        throw MyError("%s", LoadStr(256).c_str());
    }
    code = platform::RenameNoReplace(temporary, folder + fileName);
    if (code != 0) {
        fs::remove(temporary, error);
        if (code == EEXIST) {
            throw MyError(LoadStr(existsId).c_str(), fileName.c_str());
        }
        ThrowFileError(254, code);
    }
    std::lock_guard<std::mutex> lock(lastFolderMutex);
    lastFolder = fs::path(sourcePath).parent_path().string();
    return fileName;
}

} // namespace

int FindVoiceEffect(const std::vector<VoiceEffect>& effects, const std::string& name) {
    for (std::size_t i = 0; i < effects.size(); ++i) {
        if (EqualNoCase(effects[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void DeleteVoiceEffect(AppConfig& config, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= config.voiceEffects.size()) {
        return;
    }
    const std::string& name = config.voiceEffects[static_cast<std::size_t>(index)].name;
    for (std::string& slot : config.effects) {
        if (slot == name) {
            slot.clear();
        }
    }
    config.voiceEffects.erase(config.voiceEffects.begin() + index);
}

std::string PluginPath(const AppConfig& config, const std::string& plugin) {
    return config.PluginFolder() + plugin + kPluginExtension;
}

std::string ImportFileName(const std::string& sourcePath) {
    if (sourcePath.empty() || sourcePath.front() != '/') {
        return {};
    }
    return sourcePath.substr(sourcePath.find_last_of('/') + 1);
}

bool TestPlugin(const std::string& path, std::string& message) {
    PnAudioEffect effect;
    const PnVstErrorNum result = effect.Load(path, false);
    message = PnVstErrorText(result);
    effect.UnLoad();
    return result == kVstSuccess;
}

void ImportPlugin(const AppConfig& config, const std::string& sourcePath) {
    std::string fileName = ImportFileName(sourcePath);
    if (fileName.size() < 5) {
        throw MyError(LoadStr(243).c_str(), fileName.c_str());
    }
    std::string plugin = SplitEffectPath(fileName).baseName;
    if (PluginExists(config, plugin)) {
        throw MyError(LoadStr(244).c_str(), plugin.c_str());
    }
    std::string message;
    if (!TestPlugin(sourcePath, message)) {
        throw MyError("%s", message.c_str());
    }
    // Stored under the plug-in's name, which is what the library's plug-in path looks for on a
    // file system where letter case counts.
    int copied = CopyInto(sourcePath, PluginPath(config, plugin));
    if (copied == EEXIST) {
        throw MyError(LoadStr(244).c_str(), plugin.c_str());
    }
    if (copied != 0) {
        ThrowFileError(245, copied);
    }
}

bool PluginExists(const AppConfig& config, const std::string& plugin) {
    return Exists(PluginPath(config, plugin));
}

void DeletePlugin(const AppConfig& config, const std::string& plugin) {
    DeleteFile(PluginPath(config, plugin), 246);
}

std::vector<std::string> ListPlugins(const AppConfig& config) {
    return ListFiles(config.PluginFolder(), kPluginExtension, true);
}

std::string ImportBackSound(const AppConfig& config, const std::string& sourcePath) {
    return ImportSound(sourcePath, config.BackSoundFolder(), 247);
}

std::string ImportFunSound(const AppConfig& config, const std::string& sourcePath) {
    return ImportSound(sourcePath, config.FunSoundFolder(), 249);
}

std::string ImportFunSound(const AppConfig& config, const std::string& sourcePath,
                           const std::string& group) {
    if (!IsPlainRelativePath(group)) {
        throw MyError(LoadStr(375).c_str(), group.c_str());
    }
    const std::string folder =
        group.empty() ? config.FunSoundFolder() : config.FunSoundFolder() + group + "/";
    return ImportSound(sourcePath, folder, 249);
}

std::string ImportedSoundName(const std::string& sourcePath) {
    const std::string fileName = ImportFileName(sourcePath);
    return fileName.empty() ? fileName : StoredSoundName(fileName);
}

bool IsPlainRelativePath(const std::string& path) {
    if (path.empty()) {
        return true;
    }
    if (path.front() == '/') {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool BackSoundExists(const AppConfig& config, const std::string& fileName) {
    return !fileName.empty() && Exists(config.BackSoundFolder() + fileName);
}

bool FunSoundExists(const AppConfig& config, const std::string& fileName) {
    return !fileName.empty() && Exists(config.FunSoundFolder() + fileName);
}

void DeleteBackSound(const AppConfig& config, const std::string& fileName) {
    DeleteFile(config.BackSoundFolder() + fileName, 248);
}

void DeleteFunSound(const AppConfig& config, const std::string& fileName) {
    DeleteFile(config.FunSoundFolder() + fileName, 251);
}

std::vector<std::string> ListBackSounds(const AppConfig& config) {
    return ListFiles(config.BackSoundFolder(), std::string(kSoundExtension), false);
}

std::vector<std::string> ListFunSounds(const AppConfig& config) {
    return ListFiles(config.FunSoundFolder(), std::string(kSoundExtension), false);
}

namespace {

std::string JoinRelative(const std::string& group, const std::string& name) {
    return group.empty() ? name : group + "/" + name;
}

void ReadFunSoundGroup(const fs::path& folder, FunSoundGroup& group, int depth) {
    std::vector<std::string> groups;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code statusError;
        const fs::file_status status = it->symlink_status(statusError);
        if (statusError || name.empty() || name.front() == '.' || fs::is_symlink(status))
            continue;
        if (fs::is_directory(status))
            groups.push_back(name);
        else if (fs::is_regular_file(status) && HasExtension(name, kSoundExtension))
            group.sounds.push_back(JoinRelative(group.path, name));
    }
    std::sort(groups.begin(), groups.end());
    std::sort(group.sounds.begin(), group.sounds.end());
    for (const std::string& name : groups) {
        FunSoundGroup child{name, JoinRelative(group.path, name), {}, {}};
        if (depth < kMaxFunSoundGroupDepth)
            ReadFunSoundGroup(folder / name, child, depth + 1);
        group.groups.push_back(std::move(child));
    }
}

} // namespace

FunSoundGroup FunSoundTree(const AppConfig& config) {
    FunSoundGroup root;
    ReadFunSoundGroup(config.FunSoundFolder(), root, 0);
    return root;
}

std::string LastImportFolder() {
    std::lock_guard<std::mutex> lock(lastFolderMutex);
    return lastFolder;
}
