#pragma once

#include "FileSystem.h"

#include <ctime>
#include <mutex>
#include <set>
#include <utility>

// The real file system. A folder is made with mode 0777, so the process's
// umask decides its permissions as it does for any other program's folders.
// The first output written into a folder clears the temporary files that a
// killed run left there (changed before this object's run started).
class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem();
    // runStart: temporary files changed before it are stale.
    explicit PosixFileSystem(const timespec& runStart);

    std::string SourceProblem(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    std::optional<FileIdentity> Identity(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::string MakeFolder(const std::string& path) override;
    std::string OutputFolderRefusal(const std::string& sourcePath,
                                    const std::string& folder) override;
    std::string WriteOutput(const std::string& sourcePath, const std::string& outputPath,
                            std::span<const unsigned char> bytes) override;

private:
    const timespec runStart;
    std::mutex mutex; // one file system may serve batch after batch
    std::set<std::pair<std::uint64_t, std::uint64_t>> cleared; // folders (device, inode)
};
