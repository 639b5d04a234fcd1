#pragma once

#include "DropBatch.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/*
 * The files that a second start of the program hands to the running one.
 * A message is "QMRH", the length of its body (4 bytes, most significant
 * first), then the body: each item as a kind byte (1 a local file, 0 an
 * address kept as its text), the length of its bytes (4 bytes) and the
 * bytes. A local file's path is absolute; no item is empty or holds a zero
 * byte.
 */
inline constexpr std::size_t handoverHeaderSize = 8;
inline constexpr std::size_t largestHandoverBody = std::size_t{16} << 20;

std::string EncodeHandover(const std::vector<DroppedItem>& items);

// The length of the body that follows header, or nothing when header starts
// no message or announces a body longer than largestHandoverBody.
std::optional<std::size_t> HandoverBodySize(std::string_view header);

// The items of one whole message, or nothing when it is malformed in any way.
std::optional<std::vector<DroppedItem>> DecodeHandover(std::string_view message);
