#pragma once

#include "FileSystem.h"

// The real file system. A folder is made with mode 0777, so the process's
// umask decides its permissions as it does for any other program's folders.
class PosixFileSystem : public FileSystem {
public:
    std::string SourceProblem(const std::string& path) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool Exists(const std::string& path) override;
    std::string MakeFolder(const std::string& path) override;
    std::string WriteOutput(const std::string& sourcePath, const std::string& outputPath,
                            std::span<const unsigned char> bytes) override;
};
