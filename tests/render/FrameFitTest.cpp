#include "FrameFit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

FrameSettings Frame(std::int32_t width, std::int32_t height, bool padding = true) {
    FrameSettings settings;
    settings.doPadding = padding ? 1 : 0;
    settings.frameWidth = width;
    settings.frameHeight = height;
    return settings;
}

struct FitRow {
    std::uint32_t width, height;
    bool padding;
    double scale; // the value the 32-bit float holds
    std::int32_t offsetX, offsetY, drawWidth, drawHeight, canvasWidth, canvasHeight;
};

} // namespace

// Every fit into 800 x 600 comes out to the pixel, scale included: the first
// band is truncated from the fractional scaled size (19 above, 21 below for
// 1000 x 700) and a tie takes the height scale.
TEST(FrameFit, FitsInto800x600) {
    const FitRow rows[] = {
        {1600, 1200, true, 0.5, 0, 0, 800, 600, 800, 600},
        {1000, 700, true, 0.800000011920929, 0, 19, 800, 560, 800, 600},
        {1000, 700, false, 0.800000011920929, 0, 0, 800, 560, 800, 560},
        {600, 800, true, 0.75, 175, 0, 450, 600, 800, 600},
        {600, 800, false, 0.75, 0, 0, 450, 600, 450, 600},
        {1000, 1000, true, 0.6000000238418579, 99, 0, 600, 600, 800, 600},
        {801, 600, true, 0.9987515807151794, 0, 0, 800, 599, 800, 600},
        {3000, 2000, true, 0.2666666805744171, 0, 33, 800, 533, 800, 600},
        {100, 75, true, 8, 0, 0, 800, 600, 800, 600},
        {7, 5, true, 114.28571319580078, 0, 14, 800, 571, 800, 600},
        {1, 1, true, 600, 100, 0, 600, 600, 800, 600},
        // A strip so thin that its drawn width truncates to nothing.
        {1, 10000, true, 0.05999999865889549, 399, 0, 0, 600, 800, 600},
        {1, 10000, false, 0.05999999865889549, 0, 0, 0, 600, 0, 600},
    };
    for (const FitRow& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height
                                        << (row.padding ? " padded" : " unpadded"));
        const FrameFit fit = ComputeFrameFit(Frame(800, 600, row.padding), row.width, row.height);
        EXPECT_EQ(double(fit.scale), row.scale);
        EXPECT_EQ(fit.offsetX, row.offsetX);
        EXPECT_EQ(fit.offsetY, row.offsetY);
        EXPECT_EQ(fit.drawWidth, row.drawWidth);
        EXPECT_EQ(fit.drawHeight, row.drawHeight);
        EXPECT_EQ(fit.canvasWidth, row.canvasWidth);
        EXPECT_EQ(fit.canvasHeight, row.canvasHeight);
    }
}

// Both scales are kept; the width scale wins only when strictly smaller.
TEST(FrameFit, KeepsBothScalesAndGivesTiesToHeight) {
    const FrameFit square = ComputeFrameFit(Frame(800, 600), 1, 1);
    EXPECT_EQ(square.scaleX, 800.0f);
    EXPECT_EQ(square.scaleY, 600.0f);
    EXPECT_EQ(square.scale, 600.0f);

    for (std::uint32_t k : {1u, 2u, 3u, 7u, 40u, 1000u}) {
        const FrameFit tie = ComputeFrameFit(Frame(800, 600), 4 * k, 3 * k);
        EXPECT_EQ(tie.scaleX, tie.scaleY) << k;
        EXPECT_EQ(tie.scale, tie.scaleY) << k;
        EXPECT_EQ(tie.offsetX, 0) << k;
        EXPECT_EQ(tie.offsetY, 0) << k;
        EXPECT_EQ(tie.drawWidth, 800) << k;
        EXPECT_EQ(tie.drawHeight, 600) << k;
    }
}

// A frame side of 0 or less leaves nothing to draw on, padded or not.
TEST(FrameFit, NonPositiveFramesGiveNoCanvas) {
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{
             {0, 600}, {800, 0}, {0, 0}, {-800, 600}, {800, -1}, {-5, -5}}) {
        for (bool padding : {true, false}) {
            const FrameFit fit = ComputeFrameFit(Frame(width, height, padding), 640, 480);
            EXPECT_TRUE(fit.canvasWidth <= 0 || fit.canvasHeight <= 0)
                << width << " x " << height << " padding " << padding;
        }
    }
}

// Over many frames and pictures: the scale is the exact fitting ratio to
// float precision, the chosen axis fills the frame, the drawn rectangle lies
// inside it with the first band never the larger (and at most 2 smaller), and
// padding off gives zero offsets and a canvas of the drawn size.
TEST(FrameFit, SweepKeepsTheInvariants) {
    std::vector<std::uint32_t> sides = {1,    2,    3,    5,    7,     10,    99,    100,   101,
                                        333,  599,  600,  601,  799,   800,   801,   1000,  1023,
                                        1920, 4000, 6000, 9999, 10000, 65500, 65535, 100000};
    std::uint32_t next = 12345;
    for (int i = 0; i < 40; ++i) {
        next = next * 1103515245u + 12345u;
        sides.push_back(1 + (next >> 8) % 20000);
    }
    const std::vector<std::int32_t> frames = {1,   2,   3,   16,   99,   480,
                                              600, 640, 800, 1080, 4096, 65500};

    int checked = 0;
    for (std::int32_t fw : frames) {
        for (std::int32_t fh : frames) {
            for (std::uint32_t w : sides) {
                for (std::uint32_t h : sides) {
                    const FrameFit on = ComputeFrameFit(Frame(fw, fh, true), w, h);
                    const FrameFit off = ComputeFrameFit(Frame(fw, fh, false), w, h);
                    SCOPED_TRACE(testing::Message()
                                 << w << " x " << h << " into " << fw << " x " << fh);

                    const double exact = std::min(double(fw) / w, double(fh) / h);
                    ASSERT_LE(std::abs(on.scale - exact), exact * 0x1p-24);

                    const bool widthLimits = on.scaleX < on.scaleY;
                    ASSERT_EQ(widthLimits ? on.drawWidth : on.drawHeight, widthLimits ? fw : fh);
                    ASSERT_EQ(widthLimits ? on.offsetX : on.offsetY, 0);

                    ASSERT_EQ(on.canvasWidth, fw);
                    ASSERT_EQ(on.canvasHeight, fh);
                    const std::int32_t freeFrame = widthLimits ? fh : fw;
                    const std::int32_t first = widthLimits ? on.offsetY : on.offsetX;
                    const std::int32_t drawn = widthLimits ? on.drawHeight : on.drawWidth;
                    const std::int32_t second = freeFrame - first - drawn;
                    ASSERT_GE(first, 0);
                    ASSERT_GE(drawn, 0);
                    ASSERT_GE(second - first, 0);
                    ASSERT_LE(second - first, 2);

                    ASSERT_EQ(off.offsetX, 0);
                    ASSERT_EQ(off.offsetY, 0);
                    ASSERT_EQ(off.drawWidth, on.drawWidth);
                    ASSERT_EQ(off.drawHeight, on.drawHeight);
                    ASSERT_EQ(off.canvasWidth, on.drawWidth);
                    ASSERT_EQ(off.canvasHeight, on.drawHeight);
                    ++checked;
                }
            }
        }
    }
    EXPECT_EQ(checked, 12 * 12 * 66 * 66);
}
