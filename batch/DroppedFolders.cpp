#include "DroppedFolders.h"

#include "PathParts.h"

#include <chrono>
#include <utility>

namespace {

constexpr auto lookingInterval = std::chrono::milliseconds(100);

std::string Counted(std::size_t count, const char* one, const char* many) {
    return CountText(count) + " " + (count == 1 ? one : many);
}

// The name a folder is known by: its last part, whatever separators end it.
std::string FolderName(std::string path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.pop_back();
    return path == "/" ? path : PathParts().FileNamePart(path);
}

std::string FolderQuestion(const std::string& name, const FolderContents& contents) {
    std::string text =
        "Convert the " + Counted(contents.pictures, "picture", "pictures") + " in " + name;
    if (contents.subfolders > 0)
        text += " and its " + Counted(contents.subfolders, "folder", "folders");
    return text + "?\n\nA Quillmere folder is made beside the pictures in each folder.";
}

} // namespace

std::string CountText(std::size_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

BatchOutcome RunDropWithFolders(const std::vector<DroppedItem>& drop, Prompts& prompts,
                                FileSystem& fileSystem, FolderLister& lister, const Encoder& encode,
                                const BatchOptions& options, std::stop_token stop) {
    std::vector<DroppedItem> items;
    int passedOver = 0;
    // Ends before the batch: nothing is written, every item known is not reached.
    const auto endBefore = [&](std::size_t pending) {
        BatchOutcome outcome;
        outcome.notReached = static_cast<int>(items.size() + pending);
        outcome.endedEarly = true;
        outcome.stopped = stop.stop_requested();
        outcome.passedOver = passedOver;
        return outcome;
    };
    for (std::size_t index = 0; index < drop.size(); ++index) {
        const DroppedItem& item = drop[index];
        if (!item.isLocalFile || !item.failure.empty() || !lister.IsFolder(item.path)) {
            items.push_back(item);
            continue;
        }
        const std::string name = FolderName(item.path);
        auto shown = std::chrono::steady_clock::now();
        if (options.onLooking)
            options.onLooking(name, 0);
        FolderContents contents =
            WalkFolder(item.path, lister, stop, [&](std::size_t picturesSoFar) {
                const auto now = std::chrono::steady_clock::now();
                if (options.onLooking && now - shown >= lookingInterval) {
                    shown = now;
                    options.onLooking(name, picturesSoFar);
                }
            });
        passedOver += static_cast<int>(contents.otherFiles);
        const std::size_t rest = drop.size() - index - 1;
        if (contents.stopped)
            return endBefore(contents.items.size() + rest);
        // The whole count stays in view while its question is asked.
        if (options.onLooking)
            options.onLooking(name, contents.pictures);
        if (!contents.problem.empty()) {
            items.push_back({item.path, true, false, std::move(contents.problem)});
            continue;
        }
        if (contents.items.empty()) {
            items.push_back({item.path, true, false, "holds no pictures Quillmere reads"});
            continue;
        }
        if (contents.pictures > 0) {
            const unsigned question = MessageStyle::YesNo | MessageStyle::IconQuestion;
            if (prompts.ShowMessage(FolderQuestion(name, contents), question, {}) != IdYes ||
                stop.stop_requested())
                return endBefore(contents.items.size() + rest);
            for (DroppedItem& found : contents.items)
                found.outputFolderApproved = true;
        }
        items.insert(items.end(), std::make_move_iterator(contents.items.begin()),
                     std::make_move_iterator(contents.items.end()));
    }
    if (options.onCounted)
        options.onCounted(items.size());
    BatchOutcome outcome = RunDropBatch(items, prompts, fileSystem, encode, options, stop);
    outcome.passedOver = passedOver;
    return outcome;
}
