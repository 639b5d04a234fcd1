#include "FileList.h"
#include "SystemReason.h"

#include "CommandLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Closes what it opened, never standard input.
struct ListFile {
    int fd;
    bool own;
    ~ListFile() {
        if (own && fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::string ReadFileList(const std::string& listName, bool nullSeparated,
                         const std::string& workingFolder, std::vector<std::string>& files) {
    const bool standardInput = listName == "-";
    const ListFile list{standardInput ? STDIN_FILENO
                                      : ::open(listName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY),
                        !standardInput};
    const std::string named = standardInput ? "standard input" : "\"" + listName + "\"";
    if (list.fd < 0)
        return "cannot read the list " + named + ": " + SystemReason(errno);
    const char separator = nullSeparated ? '\0' : '\n';
    std::string name;
    const auto take = [&]() -> std::string {
        if (name.empty())
            return {};
        const auto absolute = AbsolutePath(std::move(name), workingFolder);
        name.clear();
        if (!absolute)
            return "the current folder is unknown, so the relative names of the list " + named +
                   " cannot be found";
        files.push_back(*absolute);
        return {};
    };
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(list.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return "cannot read the list " + named + ": " + SystemReason(errno);
        if (got == 0)
            return take();
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(got))) {
            if (c == '\0' && !nullSeparated)
                return "the list " + named +
                       " holds a zero byte; --null reads a list of names "
                       "each ended by one";
            if (c != separator) {
                name += c;
            } else if (std::string problem = take(); !problem.empty()) {
                return problem;
            }
        }
    }
}
