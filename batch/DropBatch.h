#pragma once

#include "Encoded.h"
#include "FileSystem.h"
#include "Prompts.h"

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

// One item of a drop, in the drop's order. Items that are not local files
// (a web address, a remote location) keep their text so it can be reported.
struct DroppedItem {
    std::string path; // file-system bytes for a local file, the item's text otherwise
    bool isLocalFile = true;
    // Found in a dropped folder the person agreed to convert: a missing
    // output folder is made without asking.
    bool outputFolderApproved = false;
    // Why the item fails before anything is tried (a folder that could not be
    // read or holds no pictures); empty for an item to convert.
    std::string failure = {};
};

// Turns the source at sourcePath into the bytes of its output file. Runs on
// worker threads, several at once, and must return soon once stop is
// requested (its result is then thrown away).
using Encoder = std::function<Encoded(const std::string& sourcePath, std::stop_token stop)>;

// What became of a drop's items; the three counts add up to the drop's size.
struct BatchOutcome {
    int converted = 0;       // items whose JPEG was written
    int failed = 0;          // items reported with the failure message
    int notReached = 0;      // items never written because the batch ended first
    bool endedEarly = false; // a No, a folder that could not be made, a Cancel or a stop
    bool stopped = false;    // the stop token ended it
    int passedOver = 0;      // files in dropped folders that are no pictures; not items
};

struct BatchOptions {
    // How many conversions may run at once, ahead of the loop; twice as many
    // items may be converting or finished and waiting for it.
    int jobs = 1;
    // Asked for before each item the loop reaches, with the item's place.
    std::function<void(std::size_t index, const DroppedItem& item)> onItem;
    // While a dropped folder is looked through, before the batch: its name and
    // the pictures found in it so far, at most ten times a second, and the
    // whole count once it is known.
    std::function<void(const std::string& folderName, std::size_t picturesSoFar)> onLooking = {};
    // Once the dropped folders are looked through: how many items the batch
    // goes through, each picture of a folder one item.
    std::function<void(std::size_t items)> onCounted = {};

    // One job per core, at most 8: more gain nothing and cost memory.
    static int DefaultJobs();
};

/*
 * Converts every item of a drop, asking before it makes a missing output
 * folder and whether to go on after a failure. Everything a person sees or the
 * file system holds happens in the drop's order on the calling thread: the
 * questions, the folders, the writing of each output, the counts. Conversions
 * run ahead of it on options.jobs worker threads into memory; an output is
 * written only when the loop reaches its item and its folder exists, so the
 * outcome is the one a batch converting one item at a time would have. A
 * conversion that read its source before an earlier item's output replaced it
 * (a drop holding pictures and their copies, however the paths alias) is
 * converted again, on the calling thread, before its output is written.
 * A source that is missing or no regular file, and an item that carries its
 * failure, fails at once, without a folder question; an item whose output
 * folder was approved gets it without one. An output folder that the file
 * system refuses (one that leads back into the source's own folder, a link
 * planted by another user) fails each of its items before anything is
 * written into it. A failure to write names the output: "cannot write
 * Quillmere/a.jpg: permission denied".
 * Items after a No, a Cancel, a folder that could not be made or a stop are
 * never written: their conversions are cancelled.
 * A stop takes effect as soon as the current step (a question being answered,
 * a file being written) is over. Paths are used whole and as they are: a
 * front end makes them absolute. Throws only when no worker thread can start.
 */
BatchOutcome RunDropBatch(const std::vector<DroppedItem>& drop, Prompts& prompts,
                          FileSystem& fileSystem, const Encoder& encode,
                          const BatchOptions& options = {}, std::stop_token stop = {});
