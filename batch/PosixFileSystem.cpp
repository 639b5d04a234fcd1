#include "PosixFileSystem.h"

#include "FileIdentity.h"
#include "OutputFile.h"
#include "SourceFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

std::string PosixFileSystem::SourceProblem(const std::string& path) {
    return SourceFile(path).Problem();
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
    return ::SameFile(a, b);
}

bool PosixFileSystem::Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

std::string PosixFileSystem::MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0)
        return {};
    // Another run making the same folder at the same moment got there first:
    // the folder is what was wanted.
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return {};
    return std::strerror(error);
}

std::string PosixFileSystem::WriteOutput(const std::string& sourcePath,
                                         const std::string& outputPath,
                                         std::span<const unsigned char> bytes) {
    return WriteOutputFile(sourcePath, outputPath, bytes);
}
