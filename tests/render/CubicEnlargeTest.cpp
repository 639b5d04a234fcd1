#include "CubicEnlarge.h"
#include "EvaluateHere.h"

#include <gtest/gtest.h>
#include <vips/vips8>

namespace {

using vips::VImage;

VImage Enlarged(const VImage& image, int width, int height) {
    EvaluatedHere source(image);
    CubicEnlarger enlarger([&source](int y, std::uint8_t* row) { source.Row(y, row); },
                           image.width(), image.height(), image.bands(), width, height);
    const std::size_t rowLength = std::size_t(width) * std::size_t(image.bands());
    std::vector<std::uint8_t> samples(rowLength * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        enlarger.Row(y, samples.data() + std::size_t(y) * rowLength);
    }
    return VImage(vips_image_new_from_memory_copy(samples.data(), samples.size(), width, height,
                                                  image.bands(), VIPS_FORMAT_UCHAR));
}

// libvips' own cubic enlargement, which the program used before.
VImage LibvipsEnlarged(const VImage& image, int width, int height) {
    return image.resize(double(width) / image.width(),
                        VImage::option()
                            ->set("vscale", double(height) / image.height())
                            ->set("kernel", VIPS_KERNEL_CUBIC));
}

// How many samples along the middle row lie strictly between dark and light: the width of the
// picture's edges.
double SamplesInTransition(const VImage& image) {
    const VImage row = image.extract_area(0, image.height() / 2, image.width(), 1);
    return ((row > 10) & (row < 245)).avg() / 255 * image.width();
}

} // namespace

// Enlarged pictures come out as libvips' cubic enlargement made them, to within its fixed-point
// rounding (a sample placed half a pixel off differs by a hundred levels), at whole and odd
// factors, in colour and grey; a flat picture stays exactly flat.
TEST(CubicEnlarge, MatchesTheEnlargementOfBefore) {
    const VImage noise = VImage::gaussnoise(64, 48, VImage::option()->set("seed", 9));
    const VImage colour =
        VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
    const struct {
        const char* name;
        VImage picture;
        int width, height;
    } rows[] = {
        {"colour x3", colour, 192, 144},
        {"colour x1.25", colour, 80, 60},
        {"grey x12.5", noise.cast(VIPS_FORMAT_UCHAR), 800, 600},
        {"colour, same width", colour, 64, 100},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Images of different sizes are compared on the larger, the smaller padded with black.
        const VImage difference = Enlarged(row.picture, row.width, row.height) -
                                  LibvipsEnlarged(row.picture, row.width, row.height);
        EXPECT_LE(difference.abs().max(), 3);
    }
    const VImage flat =
        Enlarged(VImage::black(3, 2).new_from_image({77}).cast(VIPS_FORMAT_UCHAR), 31, 17);
    EXPECT_EQ((flat == 77).min(), 255);
}

// A checkerboard enlarged three times keeps edges as sharp as libvips' enlargement did.
TEST(CubicEnlarge, EdgesAreNoSofterThanBefore) {
    const VImage xy = VImage::xyz(64, 48);
    const VImage checker =
        ((xy[0] / 8 + xy[1] / 8) % 2 == 1).ifthenelse(255, 0).cast(VIPS_FORMAT_UCHAR);
    const double ours = SamplesInTransition(Enlarged(checker, 192, 144));
    EXPECT_LE(ours, SamplesInTransition(LibvipsEnlarged(checker, 192, 144)));
    EXPECT_GT(ours, 0) << "a cubic enlargement has some transition";
}
