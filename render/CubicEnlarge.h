#pragma once

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

/*
 * Enlarges a picture to width x height (each at least the picture's own) by
 * cubic convolution (Catmull-Rom, the bicubic every viewer knows), one axis
 * after the other, with the edge pixels repeated beyond the border. The weights of each output column and row are
 * worked out once, so an enlargement costs a few multiplications a sample,
 * where a general two-dimensional interpolator works them out again for
 * every pixel.
 */
Pixels EnlargeCubic(const Pixels& picture, int width, int height);
