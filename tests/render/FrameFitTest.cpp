#include "FrameFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

// Fits into a padded 800 x 600 come out to the pixel from the 32-bit float scale: a band is
// truncated from the fractional scaled size, and a scaled side just short of the frame's is
// rounded to it. A picture of no size has an infinite scale, and its sizes and offsets come out
// as 0 rather than undefined. The conversions' rows show the rest.
TEST(FrameFit, FitsInto800x600) {
    EXPECT_EQ(ComputeFrameFit({}, 1000, 1000).offsetX, 99) << "from 99.9999";
    EXPECT_EQ(ComputeFrameFit({}, 801, 600).drawWidth, 800) << "from 799.9999";
    const FrameFit none = ComputeFrameFit({}, 0, 0);
    EXPECT_EQ(none.scale, INFINITY);
    EXPECT_EQ(std::tie(none.offsetX, none.offsetY, none.drawWidth, none.drawHeight),
              std::make_tuple(0, 0, 0, 0));
}
