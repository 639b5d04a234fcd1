#include "PosixFileSystem.h"
#include "SystemReason.h"

#include "AtomicFile.h"
#include "OutputFolder.h"
#include "SourceFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Coarse, as the kernel's own file times are: a file changed after this moment
// never carries an earlier time.
timespec Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

} // namespace

PosixFileSystem::PosixFileSystem() : runStart(Now()) {}

PosixFileSystem::PosixFileSystem(const timespec& start) : runStart(start) {}

std::string PosixFileSystem::SourceProblem(const std::string& path) {
    return SourceFile(path).Problem();
}

bool PosixFileSystem::SameFile(const std::string& a, const std::string& b) {
    return ::SameFile(a, b);
}

std::optional<FileIdentity> PosixFileSystem::Identity(const std::string& path) {
    return IdentityOfPath(path);
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
    return SystemReason(error);
}

std::string PosixFileSystem::OutputFolderRefusal(const std::string& sourcePath,
                                                 const std::string& folder) {
    return OutputFolder(sourcePath, folder).Refusal();
}

std::string PosixFileSystem::WriteOutput(const std::string& sourcePath,
                                         const std::string& outputPath,
                                         std::span<const unsigned char> bytes) {
    const auto slash = outputPath.rfind('/');
    const OutputFolder folder(sourcePath,
                              slash == std::string::npos ? "." : outputPath.substr(0, slash + 1));
    if (folder.Descriptor() >= 0) {
        const std::lock_guard lock(mutex);
        if (cleared.emplace(folder.Identity().device, folder.Identity().inode).second)
            AtomicFile::RemoveStale(folder.Descriptor(), runStart);
    }
    return folder.Write(
        sourcePath, slash == std::string::npos ? outputPath : outputPath.substr(slash + 1), bytes);
}
