#include "CubicEnlarge.h"
#include "EvaluateHere.h"

#include <gtest/gtest.h>
#include <vips/vips8>

using vips::VImage;

// Enlarged pictures come out as libvips' cubic enlargement, which the program used before, made
// them, to within its fixed-point rounding (a sample placed half a pixel off differs by a hundred
// levels), at whole and odd factors.
TEST(CubicEnlarge, MatchesTheEnlargementOfBefore) {
    const VImage noise = VImage::gaussnoise(64, 48, VImage::option()->set("seed", 9));
    const VImage colour =
        VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
    for (const double factor : {3.0, 1.25}) {
        SCOPED_TRACE(factor);
        const int width = int(64 * factor), height = int(48 * factor);
        EvaluatedHere source(colour);
        CubicEnlarger enlarger([&source](int y, std::uint8_t* row) { source.Row(y, row); }, 64, 48,
                               3, width, height);
        std::vector<std::uint8_t> samples(std::size_t(width * height * 3));
        for (int y = 0; y < height; ++y) {
            enlarger.Row(y, samples.data() + std::size_t(y * width * 3));
        }
        const VImage ours(vips_image_new_from_memory_copy(samples.data(), samples.size(), width,
                                                          height, 3, VIPS_FORMAT_UCHAR));
        const VImage before =
            colour.resize(factor, VImage::option()->set("kernel", VIPS_KERNEL_CUBIC));
        // Images of different sizes are compared on the larger, the smaller padded with black.
        EXPECT_LE((ours - before).abs().max(), 3);
    }
}
