#pragma once

#include "FileIdentity.h"

#include <optional>
#include <string>
#include <vector>

// The failure of a conversion that a stop cancelled.
inline constexpr const char* stoppedFailure = "stopped";

// The finished output file of one picture, held in memory until the batch
// reaches its item and writes it, or why there is none.
struct Encoded {
    std::vector<unsigned char> bytes;
    std::string failure; // empty when bytes hold the whole file
    // The file the picture was read from, as the encoder found it when it
    // opened it (fstat of its descriptor); nothing when the encoder opened no
    // file or does not say. The batch converts again, when it comes to write
    // the output, a source that is no longer that file.
    std::optional<FileIdentity> source = std::nullopt;
};
