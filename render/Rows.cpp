#include "Rows.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

void Fill(std::uint8_t* row, int from, int to, const std::array<std::uint8_t, 3>& colour) {
    for (int x = from; x < to; ++x) {
        std::copy(colour.begin(), colour.end(), row + std::size_t(x) * 3);
    }
}

} // namespace

Rows OnCanvas(Rows picture, int pictureWidth, int pictureHeight, int width, int left, int top,
              std::array<std::uint8_t, 3> colour) {
    return [=, picture = std::move(picture)](int y, std::uint8_t* row) {
        if (y < top || y >= top + pictureHeight) {
            Fill(row, 0, width, colour);
            return;
        }
        Fill(row, 0, left, colour);
        picture(y - top, row + std::size_t(left) * 3);
        Fill(row, left + pictureWidth, width, colour);
    };
}
