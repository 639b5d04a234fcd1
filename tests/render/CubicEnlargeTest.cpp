#include "CubicEnlarge.h"
#include "EvaluateHere.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <tuple>

using vips::VImage;

// Enlarged pictures come out as libvips' cubic enlargement, which the program used before, made
// them, to within its fixed-point rounding (a sample placed half a pixel off differs by a hundred
// levels), at whole and odd factors.
TEST(CubicEnlarge, MatchesTheEnlargementOfBefore) {
    const VImage noise = VImage::gaussnoise(64, 48, VImage::option()->set("seed", 9));
    const VImage colour =
        VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
    const std::tuple<const char*, VImage, int, int> rows[] = {
        {"colour x3", colour, 192, 144},
        {"colour x1.25", colour, 80, 60},
    };
    for (const auto& [name, picture, width, height] : rows) {
        SCOPED_TRACE(name);
        EvaluatedHere source(picture);
        CubicEnlarger enlarger([&source](int y, std::uint8_t* row) { source.Row(y, row); },
                               picture.width(), picture.height(), picture.bands(), width, height);
        const std::size_t rowLength = std::size_t(width) * std::size_t(picture.bands());
        std::vector<std::uint8_t> samples(rowLength * std::size_t(height));
        for (int y = 0; y < height; ++y) {
            enlarger.Row(y, samples.data() + std::size_t(y) * rowLength);
        }
        const VImage ours(vips_image_new_from_memory_copy(
            samples.data(), samples.size(), width, height, picture.bands(), VIPS_FORMAT_UCHAR));
        const VImage before = picture.resize(double(width) / picture.width(),
                                             VImage::option()
                                                 ->set("vscale", double(height) / picture.height())
                                                 ->set("kernel", VIPS_KERNEL_CUBIC));
        // Images of different sizes are compared on the larger, the smaller padded with black.
        EXPECT_LE((ours - before).abs().max(), 3);
    }
}
