#include "CubicEnlarge.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <algorithm>
#include <cstdlib>

namespace {

using vips::VImage;

Pixels PixelsOf(const VImage& image) {
    const VImage whole = image.copy_memory();
    const auto* data = static_cast<const std::uint8_t*>(whole.data());
    const std::size_t size =
        std::size_t(whole.width()) * std::size_t(whole.height()) * std::size_t(whole.bands());
    return {whole.width(), whole.height(), whole.bands(), {data, data + size}};
}

// libvips' own cubic enlargement, which the program used before.
Pixels LibvipsEnlarged(const VImage& image, int width, int height) {
    return PixelsOf(image.resize(double(width) / image.width(),
                                 VImage::option()
                                     ->set("vscale", double(height) / image.height())
                                     ->set("kernel", VIPS_KERNEL_CUBIC)));
}

int LargestDifference(const Pixels& a, const Pixels& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        largest = std::max(largest, std::abs(int(a.samples[i]) - int(b.samples[i])));
    }
    return largest;
}

// How many samples along the middle row lie strictly between dark and light: the width of the
// picture's edges.
int SamplesInTransition(const Pixels& p) {
    int count = 0;
    const std::size_t row = std::size_t(p.height / 2) * std::size_t(p.width);
    for (std::size_t x = 0; x < std::size_t(p.width); ++x) {
        const std::uint8_t v = p.samples[(row + x) * std::size_t(p.bands)];
        count += v > 10 && v < 245;
    }
    return count;
}

} // namespace

// Enlarged pictures come out as libvips' cubic enlargement made them, to within its fixed-point
// rounding (a sample placed half a pixel off differs by a hundred levels), at
// whole and odd factors, in colour and grey; a flat picture stays exactly flat.
TEST(CubicEnlarge, MatchesTheEnlargementOfBefore) {
    const VImage noise = VImage::gaussnoise(64, 48, VImage::option()->set("seed", 9));
    const VImage colour = VImage::bandjoin({noise, noise.rot180(), noise.fliphor()})
                              .cast(VIPS_FORMAT_UCHAR);
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
        const Pixels enlarged = EnlargeCubic(PixelsOf(row.picture), row.width, row.height);
        EXPECT_EQ(enlarged.width, row.width);
        EXPECT_EQ(enlarged.height, row.height);
        EXPECT_LE(LargestDifference(enlarged, LibvipsEnlarged(row.picture, row.width, row.height)),
                  3);
    }
    const Pixels flat = EnlargeCubic({3, 2, 1, std::vector<std::uint8_t>(6, 77)}, 31, 17);
    EXPECT_EQ(std::count(flat.samples.begin(), flat.samples.end(), 77), 31 * 17);
}

// A checkerboard enlarged three times keeps edges as sharp as libvips' enlargement did.
TEST(CubicEnlarge, EdgesAreNoSofterThanBefore) {
    const VImage xy = VImage::xyz(64, 48);
    const VImage checker =
        ((xy[0] / 8 + xy[1] / 8) % 2 == 1).ifthenelse(255, 0).cast(VIPS_FORMAT_UCHAR);
    const Pixels ours = EnlargeCubic(PixelsOf(checker), 192, 144);
    EXPECT_LE(SamplesInTransition(ours), SamplesInTransition(LibvipsEnlarged(checker, 192, 144)));
    EXPECT_GT(SamplesInTransition(ours), 0) << "a cubic enlargement has some transition";
}
