#include "FrameFit.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Cuts toward zero, as a conversion from double to a 32-bit integer does. Sizes
// that a conversion accepts stay far inside the 32-bit range; absurd ones (a
// frame of two billion pixels, a picture side of 0) saturate instead of being
// undefined.
std::int32_t Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    const double limited = std::clamp(value, double{std::numeric_limits<std::int32_t>::min()},
                                      double{std::numeric_limits<std::int32_t>::max()});
    return static_cast<std::int32_t>(limited);
}

// The quotient is formed in double and only then rounded to 32-bit float; a
// float division would round both operands first and give other scales.
float Ratio(std::int32_t frameSide, std::uint32_t pictureSide) {
    return static_cast<float>(static_cast<double>(frameSide) / static_cast<double>(pictureSide));
}

} // namespace

// Fits width x height into the frame with one scale for both axes. The axis
// with the smaller scale fills the frame; on a tie the height scale is used.
// The free axis is centred by truncating half the free space computed from the
// fractional scaled size, so the first band is never the larger one.
FrameFit ComputeFrameFit(const FrameSettings& settings, std::uint32_t width, std::uint32_t height) {
    FrameFit fit;
    fit.scaleX = Ratio(settings.frameWidth, width);
    fit.scaleY = Ratio(settings.frameHeight, height);

    const double w = width;
    const double h = height;
    if (fit.scaleX < fit.scaleY) {
        fit.scale = fit.scaleX;
        fit.offsetY = Truncate((settings.frameHeight - h * fit.scale) * 0.5);
    } else {
        fit.scale = fit.scaleY;
        fit.offsetX = Truncate((settings.frameWidth - w * fit.scale) * 0.5);
    }
    fit.drawWidth = Truncate(w * fit.scale + 0.5);
    fit.drawHeight = Truncate(h * fit.scale + 0.5);

    if (settings.doPadding != 0) {
        fit.canvasWidth = settings.frameWidth;
        fit.canvasHeight = settings.frameHeight;
    } else {
        fit.canvasWidth = fit.drawWidth;
        fit.canvasHeight = fit.drawHeight;
        fit.offsetX = 0;
        fit.offsetY = 0;
    }
    return fit;
}
