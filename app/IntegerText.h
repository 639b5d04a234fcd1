#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The integer that a Width or Height field holds: an optional sign followed
// by decimal digits, nothing else, and a value that fits in 32 bits. Zero and
// negative numbers are integers like any other; an empty text is not one.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// Whether text is written as an integer (an optional sign and decimal digits),
// whatever its size.
bool IsIntegerText(std::string_view text);
