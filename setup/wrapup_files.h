// The file system as Wrapup uses it: the current folder, whole text files, crash-safe writes.
// Wrapup links nothing of the common runtime, so it has these few operations of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Files larger than this are not read (config.ini is a few kilobytes).
constexpr size_t kMaxTextFileBytes = 16u * 1024u * 1024u;

// The current folder, ending in '/'. False when it cannot be obtained (it was removed, say).
bool CurrentFolder(std::string& folder);

// Reads the whole regular file at path. Returns 0, or an errno value: ENOENT when the file is
// missing, EISDIR or EINVAL when it is not a regular file, EFBIG when it is larger than
// kMaxTextFileBytes. content is empty on failure.
int ReadTextFile(const std::string& path, std::string& content);

// Replaces the file at path with content so that nobody ever sees a truncated or half-written
// file: the content goes into a temporary file in the same folder, is flushed to disk and renamed
// over the target (the target of a symbolic link). A new file gets the usual permissions (0666
// less the umask), a replaced one keeps its own. Returns 0, or the errno value of the failed
// step; the old file is then untouched and the temporary file removed.
int WriteFileAtomic(const std::string& path, std::string_view content);
