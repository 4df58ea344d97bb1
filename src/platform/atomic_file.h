// Whole-file reading and crash-safe whole-file replacement.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Files larger than this are refused by ReadWholeFile (configuration files are a few kilobytes).
constexpr size_t kMaxReadBytes = 16u * 1024u * 1024u;

// Reads the whole regular file at path into content. Returns 0, or an errno value: ENOENT when
// the file is missing, EISDIR or EINVAL when it is not a regular file, EFBIG when it holds more
// than maxBytes. content is left empty on failure.
int ReadWholeFile(const std::string& path, std::string& content, size_t maxBytes = kMaxReadBytes);

// Replaces the content of the file at path so that a reader in any process sees either the old
// or the new content, never a mix, whatever happens during the write: the content goes into a
// temporary file in the same folder (mode of the old file, or 0600 for a new one), which is
// flushed to disk and renamed over the target, and the folder is flushed. A symbolic link is
// followed: its target is replaced. Returns 0, or the errno value of the failed step; on failure
// the old file is untouched and the temporary file is removed.
int WriteWholeFileAtomic(const std::string& path, std::string_view content);

// Creates a new, empty, owner-only file in folder whose name starts with prefix and ends in a
// unique suffix, and gives its path. Returns 0, or the errno value of the failed step (ENOTDIR
// when folder is not a folder, ...).
int CreateUniqueFile(const std::string& folder, const std::string& prefix, std::string& path);

// Renames from to to, unless to exists already (EEXIST), in one step: no other process ever
// sees to half-written or replaced. Returns 0, or the errno value.
int RenameNoReplace(const std::string& from, const std::string& to);

} // namespace platform
