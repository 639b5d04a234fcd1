#include "BatchStatus.h"

#include "DroppedFolders.h"

namespace BatchStatus {

std::string IdleHint() {
    return "Drop pictures here, or press Ctrl+O";
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

std::string LookingThrough(const std::string& folder, std::size_t picturesSoFar) {
    return "Looking through " + folder + ": " + CountText(picturesSoFar) +
           (picturesSoFar == 1 ? " picture so far" : " pictures so far");
}

std::string Waiting(std::size_t drops) {
    return std::to_string(drops) + (drops == 1 ? " more drop waiting" : " more drops waiting");
}

namespace {

// "/home/u/Holidays/Quillmere/" -> "Holidays/Quillmere".
std::string ShortFolder(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const std::size_t last = folder.rfind('/');
    if (last == std::string::npos || last == 0)
        return folder;
    const std::size_t before = folder.rfind('/', last - 1);
    return folder.substr(before == std::string::npos ? 0 : before + 1);
}

std::string Where(const std::vector<std::string>& folders) {
    if (folders.empty())
        return {};
    std::string where = " into " + ShortFolder(folders.front());
    if (const std::size_t more = folders.size() - 1; more > 0)
        where += " and " + std::to_string(more) + (more == 1 ? " more folder" : " more folders");
    return where;
}

} // namespace

std::string Result(const BatchOutcome& outcome, const std::vector<std::string>& folders) {
    const int handled = outcome.converted + outcome.failed;
    std::string text;
    if (outcome.stopped) {
        text = "Stopped after " + std::to_string(handled) + " of " +
               std::to_string(handled + outcome.notReached);
    } else {
        text = std::to_string(outcome.converted) + " converted" + Where(folders);
        if (outcome.failed > 0)
            text += ", " + std::to_string(outcome.failed) + " failed";
        if (outcome.notReached > 0)
            text += ", " + std::to_string(outcome.notReached) + " skipped";
    }
    if (outcome.passedOver > 0)
        text += ", " + CountText(static_cast<std::size_t>(outcome.passedOver)) +
                (outcome.passedOver == 1 ? " other file passed over" : " other files passed over");
    return text;
}

std::string Offered(std::size_t files) {
    return std::to_string(files) + (files == 1 ? " picture to convert" : " pictures to convert");
}

std::string DragOver(std::size_t files) {
    return "Drop to convert " + std::to_string(files) + (files == 1 ? " picture" : " pictures");
}

} // namespace BatchStatus
