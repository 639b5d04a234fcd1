#include "OutputFolder.h"
#include "SystemReason.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string WithoutClosingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

/*
 * The name is looked at without following it (lstat), then opened following
 * it, then looked at again: when the name still holds the same link or the
 * descriptor is the folder first seen, the checks concern the folder opened.
 */
OutputFolder::OutputFolder(const std::string& sourcePath, const std::string& folderPath) {
    const std::string path = WithoutClosingSeparators(folderPath);
    struct stat seen {};
    if (::lstat(path.c_str(), &seen) != 0) {
        problem = SystemReason(errno);
        return;
    }
    const bool link = S_ISLNK(seen.st_mode);
    if (link && seen.st_uid != ::geteuid() && seen.st_uid != 0) {
        refusal = linkOfAnother;
        return;
    }
    fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat opened {};
    struct stat again {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || ::lstat(path.c_str(), &again) != 0) {
        problem = SystemReason(errno);
    } else if (!IdentityOf(link ? again : opened).SameFileAs(IdentityOf(seen))) {
        problem = "the Quillmere folder changed while it was opened";
    } else if (struct stat own{}; ::stat(FolderOf(sourcePath).c_str(), &own) == 0 &&
                                  IdentityOf(own).SameFileAs(IdentityOf(opened))) {
        refusal = loopsBack;
    } else {
        identity = IdentityOf(opened);
        return;
    }
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

OutputFolder::~OutputFolder() {
    if (fd >= 0)
        ::close(fd);
}

std::string OutputFolder::Write(const std::string& sourcePath, const std::string& name,
                                std::span<const unsigned char> bytes) const {
    if (fd < 0)
        return refusal.empty() ? problem : refusal;
    struct stat source {};
    struct stat target {};
    if (::stat(sourcePath.c_str(), &source) == 0 && ::fstatat(fd, name.c_str(), &target, 0) == 0 &&
        IdentityOf(source).SameFileAs(IdentityOf(target)))
        return "the output would replace its own source";
    AtomicFile file(fd, name);
    if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()) || !file.Commit())
        return SystemReason(file.Error());
    return {};
}
