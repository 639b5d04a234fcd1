#include "ReportingFileSystem.h"

#include <cerrno>
#include <cstring>

bool ReportingFileSystem::MakeFolder(const std::string& path) {
    if (posix.MakeFolder(path))
        return true;
    const int error = errno;
    std::fprintf(out, "%s: %s: %s\n", programName.c_str(), path.c_str(), std::strerror(error));
    return false;
}
