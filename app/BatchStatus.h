#pragma once

#include "DropBatch.h"

#include <cstddef>
#include <string>

// The texts of the dialog's status row, in one place so that they read the
// same wherever they appear.
namespace BatchStatus {

// Before the first drop.
std::string IdleHint();
// While a batch runs: "3 of 20: name.jpg", index counted from 0.
std::string Progress(std::size_t index, std::size_t total, const std::string& name);
// While a dropped folder is looked through: "Looking through Holidays: 1,204
// pictures so far".
std::string LookingThrough(const std::string& folder, std::size_t picturesSoFar);
// Drops that wait for the running batch: "1 more drop waiting".
std::string Waiting(std::size_t drops);
// After a batch, until the next: "20 converted, 1 failed", "Stopped after 6
// of 30", or the items never reached after a No or a Cancel; then the other
// files in dropped folders, "5 other files passed over".
std::string Result(const BatchOutcome& outcome);

} // namespace BatchStatus
