#pragma once

#include "Encoded.h"
#include "FrameSettings.h"

#include <stop_token>
#include <string>

// Decodes the picture at sourcePath and fits it into the frame of settings,
// giving the whole quality-80 JPEG file in memory, or why there is none (the
// source is missing or no regular file, not a picture Quillmere reads,
// damaged or cut short, too large to decode; the frame is out of range).
// Returns soon after stop is requested, even in the middle of a huge picture,
// with a failure. Safe to call from several threads at once. Paths are the
// file system's own bytes.
Encoded EncodeImage(const FrameSettings& settings, const std::string& sourcePath,
                    std::stop_token stop = {});
