#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// A colour as written on the command line, "#RRGGBB", "#RGB" or one of the
// toolkit's colour names such as "navy" or "light gray" (letter case and
// blanks ignored), laid out 0x00BBGGRR as the frame settings hold it; nothing
// when the text names no opaque colour.
std::optional<std::uint32_t> ParseColor(std::string_view text);
