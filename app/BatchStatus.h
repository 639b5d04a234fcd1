#pragma once

#include "DropBatch.h"

#include <cstddef>
#include <string>
#include <vector>

// The texts of the dialog's status row, in one place so that they read the
// same wherever they appear.
namespace BatchStatus {

// Before the first drop.
std::string IdleHint();
// In place of the hint when the profile store cannot be read, with why.
std::string StoreRefused(const std::string& reason);
// While a batch runs: "3 of 20: name.jpg", index counted from 0.
std::string Progress(std::size_t index, std::size_t total, const std::string& name);
// While a dropped folder is looked through: "Looking through Holidays: 1,204
// pictures so far".
std::string LookingThrough(const std::string& folder, std::size_t picturesSoFar);
// Drops that wait for the running batch: "1 more drop waiting".
std::string Waiting(std::size_t drops);
// After a batch, until the next result: "20 converted into Holidays/Quillmere,
// 1 failed", "Stopped after 6 of 30", and the items skipped after a No or a
// Cancel; then the other files in dropped folders, "5 other files passed
// over". folders are the output folders written into (with or without a
// closing '/'); the first is named by its last two parts, the others counted.
std::string Result(const BatchOutcome& outcome, const std::vector<std::string>& folders = {});
// Files from outside that wait for Convert: "3 pictures to convert".
std::string Offered(std::size_t files);
// While files are dragged over the dialog: "Drop to convert 12 pictures".
std::string DragOver(std::size_t files);

} // namespace BatchStatus
