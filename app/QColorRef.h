#pragma once

#include <QColor>

#include <cstdint>

// Padding colours are kept as 0x00BBGGRR, red in the lowest byte; the top
// byte is carried along unchanged but plays no part in the colour shown.
inline QColor ColorFromRef(std::uint32_t colorRef) {
    return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                  static_cast<int>((colorRef >> 16) & 0xFF));
}

inline std::uint32_t RefFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | static_cast<std::uint32_t>(rgb.green()) << 8 |
           static_cast<std::uint32_t>(rgb.blue()) << 16;
}
