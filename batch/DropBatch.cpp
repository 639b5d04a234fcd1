#include "DropBatch.h"

#include "OutputPaths.h"
#include "PathParts.h"
#include "WaitCursor.h"

namespace {

constexpr unsigned questionStyle = MessageStyle::YesNo | MessageStyle::IconQuestion;
constexpr unsigned failureStyle = MessageStyle::OkCancel | MessageStyle::IconExclamation;

std::string FolderQuestion(const std::string& folder) {
    return "Directory doesn't exist:  " + folder + "\n\nCreate it?";
}

} // namespace

BatchOutcome RunDropBatch(const std::vector<DroppedItem>& drop, Prompts& prompts,
                          FileSystem& fileSystem, const Converter& convert,
                          const std::function<void()>& takeSettings) {
    const WaitCursor waitCursor(prompts);
    if (takeSettings)
        takeSettings();

    BatchOutcome outcome;
    PathParts source;
    // Ends the batch early; the items from firstNotReached on stay unconverted.
    const auto endBefore = [&](std::size_t firstNotReached) {
        outcome.endedEarly = true;
        outcome.notReached = static_cast<int>(drop.size() - firstNotReached);
        return outcome;
    };

    for (std::size_t index = 0; index < drop.size(); ++index) {
        const DroppedItem& item = drop[index];
        // A web address or remote location has no folder beside it to write
        // into: it fails like a file that cannot be converted.
        if (item.isLocalFile) {
            source.path = item.path;
            const std::string folder = OutputFolderPath(source);
            if (!fileSystem.Exists(folder)) {
                if (prompts.ShowMessage(FolderQuestion(folder), questionStyle) != IdYes)
                    return endBefore(index);
                if (!fileSystem.MakeFolder(folder)) {
                    prompts.ShowMessage("Couldn't create dir", MessageStyle::Ok);
                    return endBefore(index);
                }
            }
            if (convert(item.path, OutputFilePath(source)) != 0) {
                ++outcome.converted;
                continue;
            }
        }
        ++outcome.failed;
        if (prompts.ShowMessage(item.path, failureStyle) == IdCancel)
            return endBefore(index + 1);
    }
    return outcome;
}
