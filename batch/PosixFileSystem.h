#pragma once

#include "FileSystem.h"

// The real file system. A folder is made with mode 0777, so the process's
// umask decides its permissions as it does for any other program's folders.
class PosixFileSystem final : public FileSystem {
public:
    bool Exists(const std::string& path) override;
    bool MakeFolder(const std::string& path) override;
};
