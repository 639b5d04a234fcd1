#pragma once

#include "Encoded.h"

#include <stdexcept>

// A conversion that cannot go on, with the reason a person is shown: thrown
// where the reason is known, caught where the conversion reports it.
class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The reasons a conversion gives for pictures it cannot use.
namespace reason {
inline constexpr const char* notPicture = "not a picture Quillmere reads";
// Said after the kind of a file that is a picture, but of a kind not read.
inline constexpr const char* kindsRead =
    "it reads JPEG, PNG, GIF, WebP, TIFF, HEIF, AVIF, JPEG XL and BMP";
inline constexpr const char* damaged = "the picture is damaged or cut short";
inline constexpr const char* tooLarge = "the picture is too large to decode";
inline constexpr const char* outOfMemory = "not enough memory to convert it";
inline constexpr const char* notStarted = "the imaging library did not start";
} // namespace reason
