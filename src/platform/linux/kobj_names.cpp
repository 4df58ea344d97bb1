#include "platform/linux/kobj_names.h"

#include "platform/kobjects.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace platform::kobj {
namespace {

constexpr const char kGlobalPrefix[] = "Global\\";
constexpr const char kNamespaceVariable[] = "VOXWARP_KOBJECT_NAMESPACE";
// Leaves room below NAME_MAX (255) for the uid and the longest suffix.
constexpr std::size_t kMaxPrefixLength = 200;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Letters, digits and '_' stand as they are; every other byte becomes "%XX", so that
// different namespaces never share a file name and no namespace reaches outside the folder.
std::string EncodeNamespace(const std::string& ns) {
    std::string out;
    for (char c : ns) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == '_') {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

} // namespace

int NormalizeObjectName(const std::string& name, std::string& normalized) {
    std::string rest = name;
    if (rest.rfind(kGlobalPrefix, 0) == 0) {
        rest.erase(0, sizeof kGlobalPrefix - 1);
        if (rest.empty())
            return EINVAL;
    }
    if (rest.find('\0') != std::string::npos)
        return EINVAL;
    std::size_t characters = 0;
    for (char c : rest) {
        if (!IsContinuationByte(c))
            ++characters;
    }
    if (characters > kMaxObjectName || rest.size() > kMaxNameBytes)
        return ENAMETOOLONG;
    normalized = std::move(rest);
    return 0;
}

std::string BackingPrefix() {
    std::string prefix = "voxwarp-" + std::to_string(geteuid());
    const char* ns = std::getenv(kNamespaceVariable);
    if (ns != nullptr && *ns != '\0')
        prefix += "-ns." + EncodeNamespace(ns);
    if (prefix.size() > kMaxPrefixLength)
        return {};
    return prefix;
}

const char* BackingFolder() {
    return "/dev/shm/";
}

std::string TableFileName(const std::string& prefix) {
    return prefix + ".objects";
}

std::string BlockFileName(const std::string& prefix, std::uint64_t nonce, std::uint64_t serial) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".mem.%016llx.%llu",
                  static_cast<unsigned long long>(nonce), static_cast<unsigned long long>(serial));
    return prefix + suffix;
}

} // namespace platform::kobj
