// Object names and the files in the shared-memory folder that back the objects.
#pragma once

#include <cstdint>
#include <string>

namespace platform::kobj {

// Longest name in bytes that an object slot stores: kMaxObjectName characters of UTF-8.
constexpr std::size_t kMaxNameBytes = 4 * 259;

// Brings a caller's name into the form stored in the table: a leading "Global\" is dropped
// (objects are per user anyway). Returns 0, or EINVAL (a NUL byte, nothing left after the
// prefix) or ENAMETOOLONG (more than kMaxObjectName characters).
int NormalizeObjectName(const std::string& name, std::string& normalized);

// The start of every backing file name of the calling user in the namespace currently chosen
// by VOXWARP_KOBJECT_NAMESPACE, without folder: "voxwarp-<uid>" or
// "voxwarp-<uid>-ns.<encoded namespace>". Empty when the namespace is too long for a file name.
std::string BackingPrefix();

// The folder that holds the backing files, ending in '/'.
const char* BackingFolder();

std::string TableFileName(const std::string& prefix);
std::string BlockFileName(const std::string& prefix, std::uint64_t nonce, std::uint64_t serial);

} // namespace platform::kobj
