#pragma once

#include "PathParts.h"

#include <string>

// Where the JPEG copy of source.path goes: a folder named Quillmere inside the
// source's own folder, under the source's file name with ".jpg" for its
// extension. Both rules use the separator of source for every separator they
// add. Nothing here touches the file system.

// The output folder, ending with exactly one separator.
std::string OutputFolderPath(const PathParts& source);
// The output folder followed by the file name without its extension and ".jpg".
std::string OutputFilePath(const PathParts& source);
