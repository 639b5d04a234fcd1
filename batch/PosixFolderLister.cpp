#include "PosixFolderLister.h"
#include "SystemReason.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

FolderEntry::Kind KindOf(mode_t mode, bool link) {
    if (S_ISREG(mode))
        return FolderEntry::Kind::file;
    if (S_ISDIR(mode))
        return link ? FolderEntry::Kind::linkedFolder : FolderEntry::Kind::folder;
    return FolderEntry::Kind::other;
}

// What a link leads to, or the entry itself when the listing could not say.
FolderEntry::Kind KindAt(int folder, const char* name) {
    struct stat info {};
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return FolderEntry::Kind::other;
    if (!S_ISLNK(info.st_mode))
        return KindOf(info.st_mode, false);
    if (::fstatat(folder, name, &info, 0) != 0)
        return FolderEntry::Kind::other; // a link to nothing, or a loop of links
    return KindOf(info.st_mode, true);
}

} // namespace

bool PosixFolderLister::IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PosixFolderLister::List(const std::string& folder, std::vector<FolderEntry>& entries) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return SystemReason(errno);
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return SystemReason(error);
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr)
            return errno == 0 ? std::string() : SystemReason(errno);
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        FolderEntry::Kind kind = FolderEntry::Kind::other;
        switch (entry->d_type) {
        case DT_REG:
            kind = FolderEntry::Kind::file;
            break;
        case DT_DIR:
            kind = FolderEntry::Kind::folder;
            break;
        case DT_LNK:
        case DT_UNKNOWN:
            kind = KindAt(::dirfd(dir.get()), name);
            break;
        default:
            break;
        }
        entries.push_back({name, kind});
    }
}
