#pragma once

#include <cstdint>

// Padding colours are kept as 0x00BBGGRR, red in the lowest byte, as stored
// profiles have always held them; the top byte is carried along unchanged but
// plays no part in the colour.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

constexpr Rgb RgbFromRef(std::uint32_t colorRef) {
    return {static_cast<std::uint8_t>(colorRef & 0xFF),
            static_cast<std::uint8_t>((colorRef >> 8) & 0xFF),
            static_cast<std::uint8_t>((colorRef >> 16) & 0xFF)};
}

constexpr std::uint32_t RefFromRgb(Rgb rgb) {
    return std::uint32_t{rgb.red} | std::uint32_t{rgb.green} << 8 | std::uint32_t{rgb.blue} << 16;
}
