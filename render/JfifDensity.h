#pragma once

#include <cstdint>

// The resolution a JFIF header carries, in dots per inch.
struct JfifDensity {
    std::uint16_t x = 72;
    std::uint16_t y = 72;
};

// Turns libvips' resolution (pixels per millimetre) into whole dots per inch.
// libvips reports exactly 1 pixel per millimetre for a picture whose format
// stores no resolution; such a picture, and one with a resolution that makes
// no sense, gets the customary 72 dpi.
JfifDensity DensityFromResolution(double xPixelsPerMm, double yPixelsPerMm);
