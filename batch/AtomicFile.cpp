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
std::string TempName(std::mt19937_64& random) {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = ".quillmere-";
    for (int i = 0; i < 12; ++i) {
        name += digits[random() % (sizeof digits - 1)];
    }
    return name + ".tmp";
}

} // namespace

AtomicFile::AtomicFile(std::string target) : targetPath(std::move(target)) {
    const std::string folder = FolderOf(targetPath);
    std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        const std::string candidate = folder + "/" + TempName(random);
        // Mode 0666 lets the kernel apply the umask (and a default ACL), so the
        // file gets the mode any newly saved file in that folder would get.
        fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempPath = candidate;
        } else if (errno != EEXIST) {
            return;
        }
    }
}

AtomicFile::~AtomicFile() {
    Discard();
}

bool AtomicFile::Write(const void* data, std::size_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (fd >= 0 && length > 0) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
    }
    return fd >= 0;
}

bool AtomicFile::Commit() {
    if (fd < 0) {
        return false;
    }
    // Without the flush a crash soon after the rename could leave an empty
    // file where a good one stood.
    const bool flushed = ::fdatasync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    fd = -1;
    if (flushed && closed && std::rename(tempPath.c_str(), targetPath.c_str()) == 0) {
        tempPath.clear();
        return true;
    }
    Discard();
    return false;
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
