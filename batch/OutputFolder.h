#pragma once

#include "FileIdentity.h"

#include <span>
#include <string>

/*
 * The Quillmere folder that a source's output goes into, opened so that what
 * is checked is the very folder written into, however links change meanwhile.
 * A folder that is a symbolic link owned by neither the person running
 * Quillmere nor root is refused: someone else may have planted it to aim the
 * person's writes at their own files (the kernel's protected-links rule
 * reasons the same way). A folder that is the source's own folder, through a
 * link or a bind mount, is refused too: the outputs would land among the
 * sources and replace them. A link the person made, to another disk say, is
 * followed.
 */
class OutputFolder {
public:
    static constexpr const char* loopsBack =
        "the Quillmere folder leads back into the picture's own folder";
    static constexpr const char* linkOfAnother =
        "the Quillmere folder is a link owned by another user";

    // folderPath may end with a separator.
    OutputFolder(const std::string& sourcePath, const std::string& folderPath);
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Why nothing may be written into the folder (one of the two reasons
    // above), or empty.
    const std::string& Refusal() const { return refusal; }
    // Why the folder could not be opened (the system's words), or empty.
    const std::string& Problem() const { return problem; }
    // The open folder when neither of the above holds, otherwise -1.
    int Descriptor() const { return fd; }
    // Which folder it is, once open.
    const FileIdentity& Identity() const { return identity; }

    // Writes the file named name in the folder whole or not at all, with the
    // mode a newly saved file gets; never over sourcePath itself. Returns why
    // not (the refusal, the system's words, "the output would replace its own
    // source"), or empty when it was written.
    std::string Write(const std::string& sourcePath, const std::string& name,
                      std::span<const unsigned char> bytes) const;

private:
    int fd = -1;
    FileIdentity identity;
    std::string refusal;
    std::string problem;
};
