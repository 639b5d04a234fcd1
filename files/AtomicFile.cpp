#include "AtomicFile.h"

#include "SourceFile.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::string_view tempPrefix = ".quillmere-", tempSuffix = ".tmp";
constexpr std::string_view tempDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t tempRandomLength = 12;

// A hidden name of fixed length, so that a target whose name is as long as
// the file system allows still gets a temporary file beside it.
std::string TempName() {
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(tempPrefix);
    for (std::size_t i = 0; i < tempRandomLength; ++i) {
        name += tempDigits[random() % tempDigits.size()];
    }
    return name += tempSuffix;
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

AtomicFile::AtomicFile(std::string targetPath) {
    const auto slash = targetPath.rfind('/');
    const std::string folderPath = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : targetPath.substr(0, slash);
    name = slash == std::string::npos ? std::move(targetPath) : targetPath.substr(slash + 1);
    folder = ::open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ownsFolder = folder >= 0;
    if (folder < 0) {
        error = errno;
        return;
    }
    Open();
}

AtomicFile::AtomicFile(int openFolder, std::string fileName)
    : folder(openFolder), name(std::move(fileName)) {
    Open();
}

void AtomicFile::Open() {
    // Mode 0666 lets the kernel apply the umask (and a default ACL), so the
    // file gets the mode any newly saved file in that folder would get.
    fd = ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        OpenNamed();
    } else if (fd < 0) {
        error = errno;
    }
}

AtomicFile::~AtomicFile() {
    Discard();
    if (ownsFolder) {
        ::close(folder);
    }
}

bool AtomicFile::Fail() {
    if (error == 0) {
        error = errno;
    }
    return false;
}

bool AtomicFile::OpenNamed() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = TempName();
        fd = ::openat(folder, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            tempName = candidate;
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
    const std::string self = DescriptorPath(fd);
    if (::linkat(AT_FDCWD, self.c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        return Fail();
    }
    for (int attempt = 0; attempt < 100 && tempName.empty(); ++attempt) {
        const std::string candidate = TempName();
        if (::linkat(AT_FDCWD, self.c_str(), folder, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tempName = candidate;
        } else if (errno != EEXIST) {
            return Fail();
        }
    }
    if (tempName.empty()) {
        return false;
    }
    return ::renameat(folder, tempName.c_str(), folder, name.c_str()) == 0 || Fail();
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
    const bool placed =
        tempName.empty()
            ? LinkInPlace()
            : ::renameat(folder, tempName.c_str(), folder, name.c_str()) == 0 || Fail();
    if (placed) {
        tempName.clear();
    }
    Discard(); // the bytes are on disk: closing cannot lose them any more
    return placed;
}

void AtomicFile::Discard() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
    if (!tempName.empty()) {
        ::unlinkat(folder, tempName.c_str(), 0);
        tempName.clear();
    }
}

bool AtomicFile::IsTemporaryName(std::string_view text) {
    if (text.size() != tempPrefix.size() + tempRandomLength + tempSuffix.size() ||
        !text.starts_with(tempPrefix) || !text.ends_with(tempSuffix)) {
        return false;
    }
    const std::string_view random = text.substr(tempPrefix.size(), tempRandomLength);
    return random.find_first_not_of(tempDigits) == std::string_view::npos;
}

// The inode's change time is the later of its times, and linking a file to
// a new name changes it: a temporary name made after `before` is never taken
// for a stale one.
void AtomicFile::RemoveStale(int openFolder, const timespec& before) {
    const int listing = ::openat(openFolder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) {
        return;
    }
    DIR* entries = ::fdopendir(listing);
    if (entries == nullptr) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (IsTemporaryName(entry->d_name) &&
            ::fstatat(openFolder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && Before(info.st_ctim, before)) {
            ::unlinkat(openFolder, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}
