#include "BatchStatus.h"

#include "DroppedFolders.h"

namespace BatchStatus {

std::string IdleHint() {
    return "Drop pictures here to fit them to the frame.";
}

std::string Progress(std::size_t index, std::size_t total, const std::string& name) {
    return std::to_string(index + 1) + " of " + std::to_string(total) + ": " + name;
}

std::string LookingThrough(const std::string& folder, std::size_t picturesSoFar) {
    return "Looking through " + folder + ": " + CountText(picturesSoFar) +
           (picturesSoFar == 1 ? " picture so far" : " pictures so far");
}

std::string Waiting(std::size_t drops) {
    return std::to_string(drops) + (drops == 1 ? " more drop waiting" : " more drops waiting");
}

std::string Result(const BatchOutcome& outcome) {
    const int handled = outcome.converted + outcome.failed;
    std::string text;
    if (outcome.stopped) {
        text = "Stopped after " + std::to_string(handled) + " of " +
               std::to_string(handled + outcome.notReached);
    } else {
        text = std::to_string(outcome.converted) + " converted";
        if (outcome.failed > 0)
            text += ", " + std::to_string(outcome.failed) + " failed";
        if (outcome.notReached > 0)
            text += ", " + std::to_string(outcome.notReached) + " not done";
    }
    if (outcome.passedOver > 0)
        text += ", " + CountText(static_cast<std::size_t>(outcome.passedOver)) +
                (outcome.passedOver == 1 ? " other file passed over" : " other files passed over");
    return text;
}

} // namespace BatchStatus
