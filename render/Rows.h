#pragma once

#include <array>
#include <cstdint>
#include <functional>

// A picture made a row at a time: fills row y (width x bands samples).
using Rows = std::function<void(int y, std::uint8_t* row)>;

// The rows of a three-band canvas width wide filled with colour, with the
// picture's rows (pictureWidth x pictureHeight, inside the canvas) at
// (left, top).
Rows OnCanvas(Rows picture, int pictureWidth, int pictureHeight, int width, int left, int top,
              std::array<std::uint8_t, 3> colour);
