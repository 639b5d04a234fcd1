#include "OutputFile.h"
#include "SystemReason.h"

#include "AtomicFile.h"
#include "FileIdentity.h"

#include <cerrno>
#include <cstring>

std::string WriteOutputFile(const std::string& sourcePath, const std::string& outputPath,
                            std::span<const unsigned char> bytes) {
    if (SameFile(sourcePath, outputPath))
        return "the output would replace its own source";
    AtomicFile file(outputPath);
    if (!file.IsOpen() || !file.Write(bytes.data(), bytes.size()) || !file.Commit())
        return SystemReason(file.Error());
    return {};
}
