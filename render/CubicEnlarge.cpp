#include "CubicEnlarge.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace {

// Weights in 1/4096ths: the four taps of one output position sum to 4096
// exactly, so a flat area stays exactly flat.
constexpr int weightOne = 4096;

struct Taps {
    std::array<int, 4> index; // the source positions, clamped to the picture
    std::array<int, 4> weight;
};

double CatmullRom(double x) {
    x = std::abs(x);
    if (x < 1) {
        return (1.5 * x - 2.5) * x * x + 1;
    }
    if (x < 2) {
        return ((-0.5 * x + 2.5) * x - 4) * x + 2;
    }
    return 0;
}

// For each output position along one axis of from -> to samples, the four
// source positions around it and their weights. Output sample i lies at
// i * from / to - 0.5 of the source, where libvips' own enlargement puts it,
// so that pictures come out as they did before.
std::vector<Taps> TapsFor(int from, int to) {
    std::vector<Taps> taps(static_cast<std::size_t>(to));
    const double step = double(from) / to;
    for (int out = 0; out < to; ++out) {
        const double centre = out * step - 0.5;
        const int first = int(std::floor(centre)) - 1;
        Taps& t = taps[static_cast<std::size_t>(out)];
        int sum = 0;
        for (int k = 0; k < 4; ++k) {
            t.index[static_cast<std::size_t>(k)] = std::clamp(first + k, 0, from - 1);
            const int w = int(std::lround(CatmullRom(centre - (first + k)) * weightOne));
            t.weight[static_cast<std::size_t>(k)] = w;
            sum += w;
        }
        t.weight[1] += weightOne - sum; // rounding left over goes to a middle tap
    }
    return taps;
}

std::uint8_t Clamp8(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

Pixels EnlargeCubic(const Pixels& picture, int width, int height) {
    const std::size_t bands = static_cast<std::size_t>(picture.bands);
    const std::size_t inWidth = static_cast<std::size_t>(picture.width);
    const std::size_t outWidth = static_cast<std::size_t>(width);
    const std::vector<Taps> across = TapsFor(picture.width, width);
    const std::vector<Taps> down = TapsFor(picture.height, height);

    // Across first, keeping 12 more bits of each sample for the second pass.
    std::vector<int> wide(static_cast<std::size_t>(picture.height) * outWidth * bands);
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
        const std::uint8_t* row = picture.samples.data() + y * inWidth * bands;
        int* out = wide.data() + y * outWidth * bands;
        for (const Taps& t : across) {
            for (std::size_t b = 0; b < bands; ++b) {
                int sum = 0;
                for (std::size_t k = 0; k < 4; ++k) {
                    sum += t.weight[k] * row[static_cast<std::size_t>(t.index[k]) * bands + b];
                }
                *out++ = sum;
            }
        }
    }

    Pixels result{width, height, picture.bands, {}};
    result.samples.resize(static_cast<std::size_t>(height) * outWidth * bands);
    const std::size_t rowLength = outWidth * bands;
    constexpr int roundingBoth = weightOne * weightOne / 2;
    std::uint8_t* out = result.samples.data();
    for (const Taps& t : down) {
        std::array<const int*, 4> rows{};
        for (std::size_t k = 0; k < 4; ++k) {
            rows[k] = wide.data() + static_cast<std::size_t>(t.index[k]) * rowLength;
        }
        for (std::size_t i = 0; i < rowLength; ++i) {
            const long long sum = static_cast<long long>(t.weight[0]) * rows[0][i] +
                                  static_cast<long long>(t.weight[1]) * rows[1][i] +
                                  static_cast<long long>(t.weight[2]) * rows[2][i] +
                                  static_cast<long long>(t.weight[3]) * rows[3][i];
            *out++ = Clamp8(static_cast<int>((sum + roundingBoth) / (weightOne * weightOne)));
        }
    }
    return result;
}
