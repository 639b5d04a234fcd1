#include "SourceFile.h"
#include "SystemReason.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the file is when it is no regular file, in the words a person uses.
const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISSOCK(mode))
        return "a socket";
    return "a device";
}

} // namespace

SourceFile::SourceFile(const std::string& path, const char* wanted) {
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer. It
    // is cleared again once the file is known to be a regular file.
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        problem = SystemReason(errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        problem = SystemReason(errno);
    } else if (!S_ISREG(info.st_mode)) {
        problem = std::string(KindOf(info.st_mode)) + ", not " + wanted;
    } else if (::fcntl(fd, F_SETFL, 0) != 0) {
        problem = SystemReason(errno);
    }
    if (!problem.empty()) {
        ::close(fd);
        fd = -1;
    }
}

SourceFile::~SourceFile() {
    if (fd >= 0)
        ::close(fd);
}

std::string DescriptorPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}
