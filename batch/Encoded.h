#pragma once

#include <string>
#include <vector>

// The finished output file of one picture, held in memory until the batch
// reaches its item and writes it, or why there is none.
struct Encoded {
    std::vector<unsigned char> bytes;
    std::string failure; // empty when bytes hold the whole file
};
