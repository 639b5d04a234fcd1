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
        if (failure.empty()) {
            source.path = item.path;
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
            Encoded encoded = ahead.Take(index);
            if (stop.stop_requested())
                return endBefore(index);
            failure = encoded.failure.empty()
                          ? fileSystem.WriteOutput(item.path, OutputFilePath(source), encoded.bytes)
                          : std::move(encoded.failure);
            if (failure.empty()) {
                ++outcome.converted;
                continue;
            }
        } else {
            ahead.Release(index);
        }
        ++outcome.failed;
        if (prompts.ShowMessage(item.path, failureStyle, failure) == IdCancel)
            return endBefore(index + 1);
    }
    return outcome;
}
