#pragma once

#include "Encoded.h"
#include "FileSystem.h"
#include "FolderWalk.h"
#include "FrameSettings.h"
#include "ProfileStore.h"
#include "Prompts.h"

#include <functional>
#include <memory>
#include <stop_token>
#include <string>

// The framed JPEG of sourcePath with the given settings, in memory, or why
// there is none; returns soon once stop is requested. Runs on worker threads.
// The program passes EncodeImage.
using FrameEncoder = std::function<Encoded(const FrameSettings& settings,
                                           const std::string& sourcePath, std::stop_token stop)>;

// Keeps the imaging library started for as long as it is held; an empty token
// means the library did not start.
using ImagingToken = std::shared_ptr<void>;
using ImagingStarter = std::function<ImagingToken()>;

// Everything the dialog hands work to. The program passes the real ones;
// tests pass scripted ones.
struct DialogServices {
    Prompts& prompts;
    FileSystem& fileSystem;
    FrameEncoder encode;
    ImagingStarter startImaging;
    // Read once while the dialog opens, written once at "Done".
    const ProfileStore& store;
    // How many conversions of a drop may run at once; 0 takes
    // BatchOptions::DefaultJobs(), as quillmere-cli does without --jobs.
    int jobs = 0;
    // Looks through dropped folders; null for the real file system's folders.
    FolderLister* folders = nullptr;
};
