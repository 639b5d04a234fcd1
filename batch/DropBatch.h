#pragma once

#include "FileSystem.h"
#include "Prompts.h"

#include <functional>
#include <string>
#include <vector>

// One item of a drop, in the drop's order. Items that are not local files
// (a web address, a remote location) keep their text so it can be reported.
struct DroppedItem {
    std::string path; // file-system bytes for a local file, the item's text otherwise
    bool isLocalFile = true;
};

// Writes the framed JPEG of sourcePath to outputPath; nonzero on success.
using Converter = std::function<int(const std::string& sourcePath, const std::string& outputPath)>;

// What became of a drop's items; the three counts add up to the drop's size.
struct BatchOutcome {
    int converted = 0;       // items whose JPEG was written
    int failed = 0;          // items reported with the failure message
    int notReached = 0;      // items never converted because the batch ended first
    bool endedEarly = false; // a No, a folder that could not be made, or a Cancel
};

// Converts every item of a drop in order, asking before it makes a missing
// output folder and whether to go on after a failure. takeSettings runs once,
// under the wait cursor, before the first item: the dialog uses it to take the
// values then in its controls. The wait cursor ends on every way out, an
// exception from takeSettings or convert included (which then passes on).
// Paths are used whole and as they are: a front end makes them absolute.
BatchOutcome RunDropBatch(const std::vector<DroppedItem>& drop, Prompts& prompts,
                          FileSystem& fileSystem, const Converter& convert,
                          const std::function<void()>& takeSettings = {});
