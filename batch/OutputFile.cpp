#include "OutputFile.h"

#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

// Whether both paths name one file, however they are spelt.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

std::string WriteOutputFile(const std::string& sourcePath, const std::string& outputPath,
                            std::span<const unsigned char> bytes) {
    if (SameFile(sourcePath, outputPath))
        return "the output would replace its own source";
    AtomicFile file(outputPath);
    if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()) || !file.Commit())
        return std::strerror(file.Error());
    return {};
}
