#include "PosixFileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

bool PosixFileSystem::Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

bool PosixFileSystem::MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0777) == 0;
}
