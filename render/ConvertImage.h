#pragma once

#include "FrameSettings.h"

#include <string>

// Decodes the picture at sourcePath, fits it into the frame of settings and
// writes it as a quality-80 JPEG to outputPath, whose folder must exist.
// Returns nonzero when the JPEG was written and 0 otherwise; on 0 nothing was
// written and a file already at outputPath is as it was.
// Paths are the file system's own bytes.
int ConvertImage(const FrameSettings& settings, const std::string& sourcePath,
                 const std::string& outputPath);
