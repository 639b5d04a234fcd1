#include "DamageWatch.h"

#include <atomic>
#include <charconv>

namespace {

std::atomic<std::uint64_t> damageCount{0};

// libjpeg's warnings about entropy-coded data it could not read. They name
// the trouble only in words.
constexpr std::string_view damageWarnings[] = {
    "premature end of data segment",
    "Premature end of JPEG file",
    "bad Huffman code",
    "bad arithmetic code",
    "instead of RST",
    "Inconsistent progression sequence",
    "Huffman code size table overflow",
};

// Bytes skipped before a restart marker or the end of the image are entropy
// data the decoder lost its way in; before any other marker (a table, a
// frame header) they are stray padding, and the picture is whole.
bool SkippedEntropyData(std::string_view message) {
    constexpr std::string_view skipped = "extraneous bytes before marker 0x";
    const auto at = message.find(skipped);
    unsigned marker = 0;
    if (at == std::string_view::npos || std::from_chars(message.data() + at + skipped.size(),
                                                        message.data() + message.size(), marker, 16)
                                                .ec != std::errc{}) {
        return false;
    }
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0xD9;
}

} // namespace

namespace DamageWatch {

bool IsDamage(std::string_view message) {
    for (const std::string_view warning : damageWarnings) {
        if (message.find(warning) != std::string_view::npos) {
            return true;
        }
    }
    return SkippedEntropyData(message);
}

void Note(const char* message) {
    if (message != nullptr && IsDamage(message)) {
        ++damageCount;
    }
}

std::uint64_t Count() {
    return damageCount;
}

} // namespace DamageWatch
