#include "FrameFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <tuple>

namespace {

// scale, offsetX, offsetY, drawWidth, drawHeight, canvasWidth, canvasHeight
using Placement = std::tuple<double, int, int, int, int, int, int>;

Placement PlacementOf(const FrameFit& f) {
    return {f.scale,      f.offsetX,     f.offsetY,     f.drawWidth,
            f.drawHeight, f.canvasWidth, f.canvasHeight};
}

} // namespace

// Fits into 800 x 600 come out to the pixel, the 32-bit float scale included; the first band is
// truncated from the fractional scaled size (19 above, 21 below for 1000 x 700). A picture of no
// size has an infinite scale, and its sizes and offsets come out as 0 rather than undefined.
TEST(FrameFit, FitsInto800x600) {
    const std::tuple<std::uint32_t, std::uint32_t, bool, Placement> rows[] = {
        {1600, 1200, true, {0.5, 0, 0, 800, 600, 800, 600}},
        {1000, 700, true, {0.800000011920929, 0, 19, 800, 560, 800, 600}},
        {1000, 700, false, {0.800000011920929, 0, 0, 800, 560, 800, 560}},
        {600, 800, true, {0.75, 175, 0, 450, 600, 800, 600}},
        {600, 800, false, {0.75, 0, 0, 450, 600, 450, 600}},
        {1000, 1000, true, {0.6000000238418579, 99, 0, 600, 600, 800, 600}},
        {801, 600, true, {0.9987515807151794, 0, 0, 800, 599, 800, 600}},
        {3000, 2000, true, {0.2666666805744171, 0, 33, 800, 533, 800, 600}},
        {100, 75, true, {8, 0, 0, 800, 600, 800, 600}},
        {7, 5, true, {114.28571319580078, 0, 14, 800, 571, 800, 600}},
        {1, 1, true, {600, 100, 0, 600, 600, 800, 600}},
        {1, 10000, true, {0.05999999865889549, 399, 0, 0, 600, 800, 600}},
        {1, 10000, false, {0.05999999865889549, 0, 0, 0, 600, 0, 600}},
        {0, 0, true, {INFINITY, 0, 0, 0, 0, 800, 600}},
    };
    for (const auto& [width, height, padding, expected] : rows) {
        EXPECT_EQ(PlacementOf(ComputeFrameFit({padding, 0, 800, 600}, width, height)), expected)
            << width << " x " << height << " padding " << padding;
    }
}
