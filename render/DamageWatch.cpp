#include "DamageWatch.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <span>

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
};

// libjpeg's warnings about oddities that do not touch the picture.
constexpr std::string_view harmlessWarnings[] = {
    "extraneous bytes before marker",
    "unknown JFIF revision",
    "Unknown Adobe color transform",
    "bad ICC marker",
    "Invalid SOS parameters for sequential JPEG",
};

bool Contains(std::string_view text, std::span<const std::string_view> phrases) {
    return std::any_of(phrases.begin(), phrases.end(), [&](std::string_view phrase) {
        return text.find(phrase) != std::string_view::npos;
    });
}

// Bytes skipped before a restart marker or the end of the image are entropy
// data the decoder lost its way in; before any other marker (a table, a
// frame header) they are stray padding, and the picture is whole.
bool SkippedEntropyData(std::string_view text) {
    constexpr std::string_view skipped = "extraneous bytes before marker 0x";
    for (auto at = text.find(skipped); at != std::string_view::npos;
         at = text.find(skipped, at + 1)) {
        unsigned marker = 0;
        const char* digits = text.data() + at + skipped.size();
        std::from_chars(digits, text.data() + text.size(), marker, 16);
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0xD9) {
            return true;
        }
    }
    return false;
}

} // namespace

namespace DamageWatch {

bool IsDamage(std::string_view message) {
    return Contains(message, damageWarnings) || SkippedEntropyData(message);
}

bool OnlyHarmless(std::string_view errorText) {
    return Contains(errorText, harmlessWarnings) && !IsDamage(errorText);
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
