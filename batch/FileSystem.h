#pragma once

#include <string>

// The two file-system questions the batch asks before converting.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when anything at all exists at the path.
    virtual bool Exists(const std::string& path) = 0;
    // Makes one folder (its parent must exist); true when it was made.
    virtual bool MakeFolder(const std::string& path) = 0;
};
