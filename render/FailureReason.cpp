#include "FailureReason.h"

#include "Refusal.h"

#include <algorithm>
#include <span>

namespace {

constexpr std::string_view noMemory[] = {
    "out of memory", "Out of memory", "Insufficient memory", "Cannot allocate memory",
    "unable to allocate", "Memory allocation failed", "memory allocation failed",
};

constexpr std::string_view tooLarge[] = {"too large", "exceeds", "Maximum supported image"};

// What the offered formats' decoders say of data they could not read.
constexpr std::string_view damage[] = {
    "not enough data",      // PNG cut short
    "Unexpected end of",    // GIF, HEIF and AVIF cut short
    "unable to parse",      // WebP
    "JxlDecoder",           // JPEG XL
    "Invalid input",        // HEIF and AVIF
    "bad seek",             // HEIF and AVIF cut short
    "truncated",            // libvips' own check
    "premature", "Premature", "Corrupt", "corrupt", "damaged",
    "read error",           // PNG data that does not inflate
    "CRC",                  // PNG checksums
    "improper image header", "unable to read file", // BMP, through ImageMagick
    "Read error", "TIFFFetch", "TIFFRead", "not a TIFF", // TIFF
};

bool Mentions(std::string_view text, std::span<const std::string_view> phrases) {
    return std::any_of(phrases.begin(), phrases.end(), [&](std::string_view phrase) {
        return text.find(phrase) != std::string_view::npos;
    });
}

std::string_view LastLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    const auto newline = text.rfind('\n');
    return newline == std::string_view::npos ? text : text.substr(newline + 1);
}

} // namespace

std::string ReasonOfFailure(std::string_view libvipsText) {
    if (Mentions(libvipsText, noMemory)) {
        return reason::outOfMemory;
    }
    if (Mentions(libvipsText, tooLarge)) {
        return reason::tooLarge;
    }
    if (Mentions(libvipsText, damage)) {
        return reason::damaged;
    }
    const std::string_view line = LastLine(libvipsText);
    return line.empty() ? std::string("the imaging library failed without saying why")
                        : std::string(line);
}
