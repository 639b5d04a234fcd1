#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct NamedColor {
    std::string_view name;
    std::uint32_t rgb; // 0xRRGGBB
};

// The colour names the command line knows: the CSS keywords, "steelblue" and
// the like, in sorted order.
std::span<const NamedColor> ColorNames();

// A colour as written on the command line, "#RRGGBB", "#RGB" or a colour
// name (letter case and blanks ignored), laid out 0x00BBGGRR as the frame
// settings hold it; nothing when the text names no colour.
std::optional<std::uint32_t> ParseColor(std::string_view text);
