#include "FrameFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {

// scale, offsetX, offsetY, drawWidth, drawHeight, canvasWidth, canvasHeight
using Placement = std::tuple<double, int, int, int, int, int, int>;

Placement PlacementOf(const FrameFit& f) {
    return {f.scale,      f.offsetX,     f.offsetY,     f.drawWidth,
            f.drawHeight, f.canvasWidth, f.canvasHeight};
}

} // namespace

// Fits into 800 x 600 come out to the pixel, the 32-bit float scale included; the first band is
// truncated from the fractional scaled size (19 above, 21 below for 1000 x 700).
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
    };
    for (const auto& [width, height, padding, expected] : rows) {
        EXPECT_EQ(PlacementOf(ComputeFrameFit({padding, 0, 800, 600}, width, height)), expected)
            << width << " x " << height << " padding " << padding;
    }
}

// Over many frames and pictures: the scale is the fitting ratio to float precision, the axis
// with the smaller scale (the height on a tie) fills the frame, the drawn rectangle lies inside
// it with the first band at most 2 smaller than the second, and padding off gives zero offsets
// and a canvas of the drawn size.
TEST(FrameFit, SweepKeepsTheInvariants) {
    std::vector<std::uint32_t> sides = {1, 2, 599, 600, 601, 799, 800, 801, 65500, 65535, 100000};
    for (std::uint32_t side = 12; side < 20000; side = side * 6 / 5 + 7)
        sides.push_back(side);
    const int frames[] = {1, 2, 3, 16, 99, 480, 600, 640, 800, 1080, 4096, 65500};
    for (int fw : frames)
        for (int fh : frames)
            for (std::uint32_t w : sides)
                for (std::uint32_t h : sides) {
                    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + " into " +
                                 std::to_string(fw) + " x " + std::to_string(fh));
                    const FrameFit on = ComputeFrameFit({1, 0, fw, fh}, w, h);
                    const bool byWidth = on.scaleX < on.scaleY;
                    const int first = byWidth ? on.offsetY : on.offsetX;
                    const int drawn = byWidth ? on.drawHeight : on.drawWidth;
                    const double exact = std::min(double(fw) / w, double(fh) / h);
                    ASSERT_NEAR(on.scale, exact, exact * 0x1p-24);
                    ASSERT_GE(std::min(first, drawn), 0);
                    // Negative excess wraps to a large unsigned number.
                    ASSERT_LE(unsigned((byWidth ? fh : fw) - drawn - 2 * first), 2u);
                    ASSERT_EQ(std::tuple(byWidth ? on.drawWidth : on.drawHeight,
                                         byWidth ? on.offsetX : on.offsetY, on.canvasWidth,
                                         on.canvasHeight),
                              std::tuple(byWidth ? fw : fh, 0, fw, fh))
                        << "the filled side, its offset and the canvas";
                    ASSERT_EQ(PlacementOf(ComputeFrameFit({0, 0, fw, fh}, w, h)),
                              Placement(on.scale, 0, 0, on.drawWidth, on.drawHeight, on.drawWidth,
                                        on.drawHeight));
                }
}
