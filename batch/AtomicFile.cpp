#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <unistd.h>
#include <utility>

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A hidden name of fixed length, so that a target whose name is as long as
// the file system allows still gets a temporary file beside it.
std::string TempName(const std::string& folder) {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name = folder + "/.quillmere-";
    for (int i = 0; i < 12; ++i) {
        name += digits[random() % (sizeof digits - 1)];
    }
    return name + ".tmp";
}

} // namespace

AtomicFile::AtomicFile(std::string target) : targetPath(std::move(target)) {
    const std::string folder = FolderOf(targetPath);
    // Mode 0666 lets the kernel apply the umask (and a default ACL), so the
    // file gets the mode any newly saved file in that folder would get.
    fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        OpenNamed(folder);
    } else if (fd < 0) {
        error = errno;
    }
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Fail() {
    if (error == 0) {
        error = errno;
    }
    return false;
}

bool AtomicFile::OpenNamed(const std::string& folder) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = TempName(folder);
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return Fail();
}

bool AtomicFile::Write(const void* data, std::size_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (fd >= 0 && length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail();
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return fd >= 0;
}

// Gives the unnamed file the target's name: directly when there is no file of
// that name yet, otherwise under a hidden name that is then renamed over it.
bool AtomicFile::LinkInPlace() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, targetPath.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return Fail();
    }
    const std::string folder = FolderOf(targetPath);
    for (int attempt = 0; attempt < 100 && tempPath.empty(); ++attempt) {
        const std::string candidate = TempName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempPath = candidate;
        } else if (errno != EEXIST) {
            return Fail();
        }
    }
    if (tempPath.empty()) {
        return false;
    }
    return std::rename(tempPath.c_str(), targetPath.c_str()) == 0 || Fail();
}

bool AtomicFile::Commit() {
    if (fd < 0) {
        return false;
    }
    // Without the flush a crash soon after the rename could leave an empty
    // file where a good one stood.
    if (::fdatasync(fd) != 0) {
        Fail();
        Discard();
        return false;
    }
    const bool placed = tempPath.empty()
                            ? LinkInPlace()
                            : std::rename(tempPath.c_str(), targetPath.c_str()) == 0 || Fail();
    if (placed) {
        tempPath.clear();
    }
    Discard(); // the bytes are on disk: closing cannot lose them any more
    return placed;
}

void AtomicFile::Discard() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!tempPath.empty()) {
        ::unlink(tempPath.c_str());
        tempPath.clear();
    }
}
