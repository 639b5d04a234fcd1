#include "EvaluateHere.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int stripHeight = 16;

} // namespace

EvaluatedHere::EvaluatedHere(const vips::VImage& image)
    : image_(image), region_(vips_region_new(image.get_image())) {
    if (!region_) {
        throw vips::VError();
    }
}

void EvaluatedHere::Row(int y, std::uint8_t* out) {
    if (y < strip_.top || y >= strip_.top + strip_.height) {
        const int top = y - y % stripHeight;
        strip_ = {0, top, image_.width(), std::min(stripHeight, image_.height() - top)};
        if (vips_region_prepare(region_.get(), &strip_) != 0) {
            strip_ = {0, 0, 0, 0};
            throw vips::VError();
        }
    }
    std::memcpy(out,
                VIPS_REGION_ADDR_TOPLEFT(region_.get()) +
                    std::size_t(y - strip_.top) * VIPS_REGION_LSKIP(region_.get()),
                std::size_t(image_.width()) * std::size_t(image_.bands()));
}
