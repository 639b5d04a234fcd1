#include "OutputPaths.h"

std::string OutputFolderPath(const PathParts& source) {
    const char separator = source.Separator();
    std::string folder = source.DirectoryPart();
    // Drop the source folder's own closing separator so that exactly one
    // stands before the literal, a root folder ("/" or "C:\") included.
    if (!folder.empty() && folder.back() == separator)
        folder.pop_back();
    folder += separator;
    folder += "Quillmere";
    folder += separator;
    return folder;
}

std::string OutputFilePath(const PathParts& source) {
    return OutputFolderPath(source) + PathParts::StripExtension(source.FileNamePart()) + ".jpg";
}
