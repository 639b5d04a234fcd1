#include "Pixels.h"

#include <algorithm>
#include <cstddef>
#include <utility>

Rows OnCanvas(Rows picture, int pictureWidth, int pictureHeight, int width, int left, int top,
              std::array<std::uint8_t, 3> colour) {
    return [=, picture = std::move(picture)](int y, std::uint8_t* row) {
        const bool inside = y >= top && y < top + pictureHeight;
        for (int x = 0; x < width; ++x) {
            if (!inside || x < left || x >= left + pictureWidth) {
                std::copy(colour.begin(), colour.end(), row + std::size_t(x) * 3);
            }
        }
        if (inside) {
            picture(y - top, row + std::size_t(left) * 3);
        }
    };
}
