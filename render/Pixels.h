#pragma once

#include <array>
#include <cstdint>
#include <vector>

// An 8-bit picture in memory: rows of width pixels of bands interleaved
// samples, top to bottom.
struct Pixels {
    int width = 0;
    int height = 0;
    int bands = 0;
    std::vector<std::uint8_t> samples;
};

// The three-band picture at (left, top) on a canvas of width x height filled
// with colour; the picture must lie inside it.
Pixels Padded(const Pixels& picture, int width, int height, int left, int top,
              std::array<std::uint8_t, 3> colour);
