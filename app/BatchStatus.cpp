#include "BatchStatus.h"

namespace BatchStatus {

std::string IdleHint() {
    return "Drop pictures here to fit them to the frame.";
}

std::string StoreRefused(const std::string& reason) {
    const std::string notSaved = "; profiles will not be saved over it";
    if (reason == "not a settings file")
        return "The profiles file is not a settings file" + notSaved;
    return "The profiles file cannot be read (" + reason + ")" + notSaved;
}

std::string Progress(std::size_t index, std::size_t total, const std::string& name) {
    return std::to_string(index + 1) + " of " + std::to_string(total) + ": " + name;
}

std::string Waiting(std::size_t drops) {
    return std::to_string(drops) + (drops == 1 ? " more drop waiting" : " more drops waiting");
}

std::string Result(const BatchOutcome& outcome) {
    const int handled = outcome.converted + outcome.failed;
    if (outcome.stopped)
        return "Stopped after " + std::to_string(handled) + " of " +
               std::to_string(handled + outcome.notReached);
    std::string text = std::to_string(outcome.converted) + " converted";
    if (outcome.failed > 0)
        text += ", " + std::to_string(outcome.failed) + " failed";
    if (outcome.notReached > 0)
        text += ", " + std::to_string(outcome.notReached) + " skipped";
    return text;
}

} // namespace BatchStatus
