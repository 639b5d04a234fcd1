#include "EvaluateHere.h"

#include <cstring>

Pixels EvaluateHere(const vips::VImage& image) {
    VipsRegion* region = vips_region_new(image.get_image());
    const VipsRect whole{0, 0, image.width(), image.height()};
    if (region == nullptr || vips_region_prepare(region, &whole) != 0) {
        if (region != nullptr) {
            g_object_unref(region);
        }
        throw vips::VError();
    }
    Pixels pixels{image.width(), image.height(), image.bands(), {}};
    const std::size_t rowLength = std::size_t(image.width()) * std::size_t(image.bands());
    pixels.samples.resize(rowLength * std::size_t(image.height()));
    const VipsPel* row = VIPS_REGION_ADDR_TOPLEFT(region);
    for (std::size_t y = 0; y < std::size_t(image.height()); ++y, row += VIPS_REGION_LSKIP(region)) {
        std::memcpy(pixels.samples.data() + y * rowLength, row, rowLength);
    }
    g_object_unref(region);
    return pixels;
}
