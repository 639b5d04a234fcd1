#pragma once

#include "FileSystem.h"
#include "FrameSettings.h"
#include "ProfileStore.h"
#include "Prompts.h"

#include <functional>
#include <memory>
#include <string>

// Writes the framed JPEG of sourcePath to outputPath with the given settings;
// nonzero on success. The program passes ConvertImage.
using FrameConverter = std::function<int(
    const FrameSettings& settings, const std::string& sourcePath, const std::string& outputPath)>;

// Keeps the imaging library started for as long as it is held; an empty token
// means the library did not start.
using ImagingToken = std::shared_ptr<void>;
using ImagingStarter = std::function<ImagingToken()>;

// Everything the dialog hands work to. The program passes the real ones;
// tests pass scripted ones.
struct DialogServices {
    Prompts& prompts;
    FileSystem& fileSystem;
    FrameConverter convert;
    ImagingStarter startImaging;
    // Read once while the dialog opens, written once at "Done".
    const ProfileStore& store;
};
