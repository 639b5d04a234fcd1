#include "JfifDensity.h"

#include <cmath>

namespace {

constexpr double millimetresPerInch = 25.4;

// JFIF keeps each density in 16 bits, and 0 there means "no unit".
std::uint16_t DotsPerInch(double pixelsPerMm) {
    const double dpi = std::round(pixelsPerMm * millimetresPerInch);
    if (dpi < 1) {
        return 1;
    }
    return dpi > 65535 ? std::uint16_t{65535} : static_cast<std::uint16_t>(dpi);
}

} // namespace

JfifDensity DensityFromResolution(double xPixelsPerMm, double yPixelsPerMm) {
    const bool unset = xPixelsPerMm == 1.0 && yPixelsPerMm == 1.0;
    const auto usable = [](double r) { return std::isfinite(r) && r > 0; };
    if (unset || !usable(xPixelsPerMm) || !usable(yPixelsPerMm)) {
        return {};
    }
    return {DotsPerInch(xPixelsPerMm), DotsPerInch(yPixelsPerMm)};
}
