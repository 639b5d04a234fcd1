#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>

// Which file a path led to at one moment, and in which state: the same
// identity later means the same file, not written to since (as far as its
// size and modification time tell).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0; // nanoseconds since the epoch

    bool operator==(const FileIdentity&) const = default;
    // One file on disk, whatever was done to it since.
    bool SameFileAs(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

FileIdentity IdentityOf(const struct stat& info);
// The identity of what path leads to, following links; nothing when it leads nowhere.
std::optional<FileIdentity> IdentityOfPath(const std::string& path);

// Whether both paths name one existing file or folder, however they are
// spelt: through links, bind mounts or "..".
bool SameFile(const std::string& a, const std::string& b);
