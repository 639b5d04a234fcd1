#include "FileIdentity.h"

FileIdentity IdentityOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                static_cast<std::int64_t>(info.st_mtim.tv_nsec)};
}

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return IdentityOf(info);
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto first = IdentityOfPath(a);
    const auto second = IdentityOfPath(b);
    return first && second && first->SameFileAs(*second);
}
