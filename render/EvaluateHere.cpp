#include "EvaluateHere.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

struct Unref {
    void operator()(VipsRegion* region) const { g_object_unref(region); }
};

} // namespace

// In strips, top to bottom: each step of the pipeline then holds a strip,
// not a whole picture, and its buffer is reused from one strip to the next.
Pixels EvaluateHere(const vips::VImage& image) {
    constexpr int stripHeight = 16;
    const std::unique_ptr<VipsRegion, Unref> region(vips_region_new(image.get_image()));
    if (!region) {
        throw vips::VError();
    }
    Pixels pixels{image.width(), image.height(), image.bands(), {}};
    const std::size_t rowLength = std::size_t(image.width()) * std::size_t(image.bands());
    pixels.samples.resize(rowLength * std::size_t(image.height()));
    for (int top = 0; top < image.height(); top += stripHeight) {
        const VipsRect strip{0, top, image.width(), std::min(stripHeight, image.height() - top)};
        if (vips_region_prepare(region.get(), &strip) != 0) {
            throw vips::VError();
        }
        const VipsPel* row = VIPS_REGION_ADDR_TOPLEFT(region.get());
        for (int y = top; y < top + strip.height; ++y, row += VIPS_REGION_LSKIP(region.get())) {
            std::memcpy(pixels.samples.data() + std::size_t(y) * rowLength, row, rowLength);
        }
    }
    return pixels;
}
