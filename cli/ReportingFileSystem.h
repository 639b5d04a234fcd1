#pragma once

#include "PosixFileSystem.h"

#include <cstdio>
#include <string>

// The real file system, saying on a stream why a folder could not be made:
// the batch's own message cannot tell a read-only disk from a missing right.
class ReportingFileSystem final : public FileSystem {
public:
    ReportingFileSystem(std::string name, std::FILE* output)
        : programName(std::move(name)), out(output) {}

    bool Exists(const std::string& path) override { return posix.Exists(path); }
    bool MakeFolder(const std::string& path) override;

private:
    PosixFileSystem posix;
    std::string programName;
    std::FILE* out;
};
