#include "Pixels.h"

#include <algorithm>
#include <cstring>

Pixels Padded(const Pixels& picture, int width, int height, int left, int top,
              std::array<std::uint8_t, 3> colour) {
    Pixels canvas{width, height, 3, {}};
    const std::size_t canvasRow = std::size_t(width) * 3;
    canvas.samples.resize(canvasRow * std::size_t(height));
    for (std::size_t i = 0; i < canvas.samples.size(); i += 3) {
        std::copy(colour.begin(), colour.end(), canvas.samples.begin() + std::ptrdiff_t(i));
    }
    const std::size_t pictureRow = std::size_t(picture.width) * 3;
    for (std::size_t y = 0; y < std::size_t(picture.height); ++y) {
        std::memcpy(canvas.samples.data() + (std::size_t(top) + y) * canvasRow +
                        std::size_t(left) * 3,
                    picture.samples.data() + y * pictureRow, pictureRow);
    }
    return canvas;
}
