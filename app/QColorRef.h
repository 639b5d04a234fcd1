#pragma once

// The 0x00BBGGRR padding colour as the toolkit's colour, and back.

#include "ColorRef.h"

#include <QColor>

inline QColor ColorFromRef(std::uint32_t colorRef) {
    const Rgb rgb = RgbFromRef(colorRef);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

inline std::uint32_t RefFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return RefFromRgb({static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                       static_cast<std::uint8_t>(rgb.blue())});
}
