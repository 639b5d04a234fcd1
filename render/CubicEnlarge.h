#pragma once

#include "Rows.h"

#include <array>
#include <cstdint>
#include <vector>

/*
 * Enlarges a picture to width x height (each at least the picture's own) by
 * cubic convolution (Catmull-Rom, the bicubic every viewer knows), one axis
 * after the other, with the edge pixels repeated beyond the border. The
 * weights of each output column and row are worked out once, so an
 * enlargement costs a few multiplications a sample, where a general
 * two-dimensional interpolator works them out again for every pixel.
 *
 * Rows are made one at a time and only the four source rows under the
 * current one are kept, widened: an enlargement holds a few rows, not a
 * picture, and two running side by side do not churn the allocator.
 */
class CubicEnlarger {
public:
    // The picture's rows are asked for once each, top to bottom, as the
    // output rows are.
    CubicEnlarger(Rows picture, int pictureWidth, int pictureHeight, int bands, int width,
                  int height);

    // Output row y, width x bands samples, asked for in order, top to bottom.
    void Row(int y, std::uint8_t* out);

    struct Taps {
        std::array<int, 4> index; // the source positions, clamped to the picture
        std::array<int, 4> weight;
    };

private:
    const std::int32_t* Widened(int sourceRow);

    Rows picture_;
    std::vector<std::uint8_t> pictureRow_;
    std::size_t bands_;
    std::vector<Taps> across_;
    std::vector<Taps> down_;
    std::size_t rowLength_;
    std::vector<std::int32_t> widened_;       // four rows, source row r in slot r % 4
    std::array<int, 4> held_{-1, -1, -1, -1}; // which source row each slot holds
};
