#pragma once

#include "FileIdentity.h"

#include <optional>
#include <span>
#include <string>

// What the batch asks of the file system, on the thread that runs its loop.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Why the source cannot be converted (it is missing, unreadable, a folder,
    // a pipe, a device), or empty when it is a regular file that can be read.
    // Never waits on the file.
    virtual std::string SourceProblem(const std::string& path) = 0;
    // True when both paths name one existing file or folder.
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // What the path leads to now, following links; nothing when it leads nowhere.
    virtual std::optional<FileIdentity> Identity(const std::string& path) = 0;
    // True when anything at all exists at the path.
    virtual bool Exists(const std::string& path) = 0;
    // Makes one folder (its parent must exist). Returns why it could not be
    // made, or empty when the folder is there afterwards, made by this call or
    // by someone else at the same moment.
    virtual std::string MakeFolder(const std::string& path) = 0;
    // Why the source's output must not be written into the existing output
    // folder ("the Quillmere folder leads back into the picture's own folder",
    // "the Quillmere folder is a link owned by another user"), or empty;
    // WriteOutput says why when the folder cannot be written into at all.
    virtual std::string OutputFolderRefusal(const std::string& sourcePath,
                                            const std::string& folder) = 0;
    // Writes a finished output file whole or not at all; why not (the
    // system's words, or a refusal as above), or empty when it was written.
    // An output never replaces its own source.
    virtual std::string WriteOutput(const std::string& sourcePath, const std::string& outputPath,
                                    std::span<const unsigned char> bytes) = 0;
};
