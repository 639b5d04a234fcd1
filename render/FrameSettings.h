#pragma once

#include <cstdint>

// The largest width or height of a frame, in pixels: the largest picture the
// JPEG output takes.
inline constexpr std::int32_t largestFrameSide = 65500;

// The four values that decide how a picture is framed. They are what the
// dialog shows, what a profile stores and what a conversion reads.
// paddingColor is laid out 0x00BBGGRR: red in the lowest byte.
struct FrameSettings {
    std::int32_t doPadding = 1;
    std::uint32_t paddingColor = 0x00C80000; // blue 200
    std::int32_t frameWidth = 800;
    std::int32_t frameHeight = 600;
};
