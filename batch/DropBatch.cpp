#include "DropBatch.h"

#include "Lookahead.h"
#include "OutputPaths.h"
#include "PathParts.h"

#include <algorithm>
#include <map>
#include <thread>
#include <utility>

namespace {

constexpr unsigned questionStyle = MessageStyle::YesNo | MessageStyle::IconQuestion;
constexpr unsigned failureStyle = MessageStyle::OkCancel | MessageStyle::IconExclamation;

std::string FolderQuestion(const std::string& folder) {
    return "Directory doesn't exist:  " + folder + "\n\nCreate it?";
}

/*
 * For each item, the last earlier item whose output may be this item's
 * source (index + 1; 0 for none): a drop can hold a picture and, further on,
 * the copy it is about to get. Such an item is converted only once the copy
 * is written, as when the items were converted one at a time. Outputs are
 * told apart from sources by file name first, then by folder, spelt alike or
 * one folder reached by two ways.
 */
std::vector<std::size_t> WaitsFor(const std::vector<DroppedItem>& drop, FileSystem& fileSystem) {
    PathParts parts;
    std::multimap<std::string, std::pair<std::size_t, std::string>> outputsByName;
    std::vector<std::size_t> waits(drop.size(), 0);
    for (std::size_t index = 0; index < drop.size(); ++index) {
        if (!drop[index].isLocalFile)
            continue;
        parts.path = drop[index].path;
        const std::string folder = parts.DirectoryPart();
        const auto [first, last] = outputsByName.equal_range(parts.FileNamePart());
        for (auto it = first; it != last; ++it) {
            const auto& [earlier, outputFolder] = it->second;
            if (outputFolder == folder || fileSystem.SameFile(outputFolder, folder))
                waits[index] = std::max(waits[index], earlier + 1);
        }
        parts.path = OutputFilePath(parts);
        outputsByName.emplace(parts.FileNamePart(), std::pair(index, parts.DirectoryPart()));
    }
    return waits;
}

// The path as seen from folder, which it lies in: "Quillmere/a.jpg".
std::string RelativeTo(const std::string& folder, const std::string& path) {
    return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

/*
 * The outputs a drop has written, to tell whether a conversion read its
 * source before the loop had written it: a drop may hold a picture and the
 * copy it gets (through a link, or a folder reached two ways), which
 * WaitsFor cannot always tell from the paths before the loop starts.
 */
class WrittenOutputs {
public:
    void Add(const std::string& output, std::size_t item, FileSystem& fileSystem) {
        if (const auto identity = fileSystem.Identity(output))
            writers[{identity->device, identity->inode}] = item;
    }

    /*
     * Whether the conversion read something other than the source as the
     * loop leaves it now, so that it must be converted again. When the
     * encoder says which file it read, that file must be the source as it is
     * now; otherwise the source must not be an output that an item at or past
     * startedAt wrote, since the conversion started before that write. A drop
     * that holds none of its own outputs never converts twice, and costs one
     * look at the source per item at most.
     */
    bool ReadTooEarly(const Encoded& encoded, std::size_t startedAt, const std::string& sourcePath,
                      FileSystem& fileSystem) const {
        if (!encoded.source && writers.empty())
            return false;
        const auto now = fileSystem.Identity(sourcePath);
        if (encoded.source)
            return now != encoded.source;
        if (!now)
            return false;
        const auto writer = writers.find({now->device, now->inode});
        return writer != writers.end() && writer->second >= startedAt;
    }

private:
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::size_t> writers;
};

} // namespace

int BatchOptions::DefaultJobs() {
    constexpr unsigned mostByDefault = 8;
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, mostByDefault));
}

BatchOutcome RunDropBatch(const std::vector<DroppedItem>& drop, Prompts& prompts,
                          FileSystem& fileSystem, const Encoder& encode,
                          const BatchOptions& options, std::stop_token stop) {
    BatchOutcome outcome;
    // Ends the batch early; the items from firstNotReached on stay unwritten.
    const auto endBefore = [&](std::size_t firstNotReached) {
        outcome.endedEarly = true;
        outcome.stopped = stop.stop_requested();
        outcome.notReached = static_cast<int>(drop.size() - firstNotReached);
        return outcome;
    };

    Lookahead ahead(drop, WaitsFor(drop, fileSystem), encode, options.jobs, stop);
    WrittenOutputs written;
    PathParts source;
    for (std::size_t index = 0; index < drop.size(); ++index) {
        if (stop.stop_requested())
            return endBefore(index);
        const DroppedItem& item = drop[index];
        if (options.onItem)
            options.onItem(index, item);
        // A web address or remote location has no folder beside it to write
        // into, and a source that cannot be read is not asked about.
        std::string failure = !item.failure.empty() ? item.failure
                              : item.isLocalFile    ? fileSystem.SourceProblem(item.path)
                                                    : "not a file on this computer";
        source.path = item.path;
        if (failure.empty()) {
            const std::string folder = OutputFolderPath(source);
            if (!fileSystem.Exists(folder)) {
                if (!item.outputFolderApproved &&
                    (prompts.ShowMessage(FolderQuestion(folder), questionStyle, {}) != IdYes ||
                     stop.stop_requested()))
                    return endBefore(index);
                if (const std::string problem = fileSystem.MakeFolder(folder); !problem.empty()) {
                    prompts.ShowMessage("Couldn't create dir", MessageStyle::Ok, problem);
                    return endBefore(index);
                }
            }
            failure = fileSystem.OutputFolderRefusal(item.path, folder);
        }
        if (failure.empty()) {
            auto [encoded, startedAt] = ahead.Take(index);
            if (!stop.stop_requested() &&
                written.ReadTooEarly(encoded, startedAt, item.path, fileSystem))
                encoded = EncodeCatching(encode, item.path, stop);
            if (stop.stop_requested())
                return endBefore(index);
            const std::string output = OutputFilePath(source);
            const bool decoded = encoded.failure.empty();
            failure = decoded ? fileSystem.WriteOutput(item.path, output, encoded.bytes)
                              : std::move(encoded.failure);
            if (failure.empty()) {
                written.Add(output, index, fileSystem);
                ++outcome.converted;
                continue;
            }
            if (decoded) // the output's fault, not the picture's
                failure =
                    "cannot write " + RelativeTo(source.DirectoryPart(), output) + ": " + failure;
        } else {
            ahead.Release(index);
        }
        ++outcome.failed;
        if (prompts.ShowMessage(item.path, failureStyle, failure) == IdCancel)
            return endBefore(index + 1);
    }
    return outcome;
}
