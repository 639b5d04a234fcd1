#pragma once

#include "FrameSettings.h"

#include <cstdint>

// How a width x height picture lies in the frame: one common scale for both
// axes, where the scaled picture is drawn and how large the output is.
struct FrameFit {
    float scaleX = 0;
    float scaleY = 0;
    float scale = 0;
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    std::int32_t drawWidth = 0;
    std::int32_t drawHeight = 0;
    std::int32_t canvasWidth = 0;
    std::int32_t canvasHeight = 0;
};

FrameFit ComputeFrameFit(const FrameSettings& settings, std::uint32_t width, std::uint32_t height);
