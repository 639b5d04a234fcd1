#include "CubicEnlarge.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// Weights in 1/4096ths: the four taps of one output position sum to 4096
// exactly, so a flat area stays exactly flat.
constexpr int weightOne = 4096;

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
std::vector<CubicEnlarger::Taps> TapsFor(int from, int to) {
    std::vector<CubicEnlarger::Taps> taps(static_cast<std::size_t>(to));
    const double step = double(from) / to;
    for (int out = 0; out < to; ++out) {
        const double centre = out * step - 0.5;
        const int first = int(std::floor(centre)) - 1;
        CubicEnlarger::Taps& t = taps[static_cast<std::size_t>(out)];
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

CubicEnlarger::CubicEnlarger(const Pixels& picture, int width, int height)
    : picture_(picture),
      across_(TapsFor(picture.width, width)),
      down_(TapsFor(picture.height, height)),
      rowLength_(std::size_t(width) * std::size_t(picture.bands)),
      widened_(4 * rowLength_) {}

// A source row enlarged across, keeping 12 more bits of each sample for the
// second pass. The four rows an output row needs are consecutive (clamped at
// the edges), so no two of them share a slot.
const int* CubicEnlarger::Widened(int sourceRow) {
    const std::size_t slot = std::size_t(sourceRow) % 4;
    int* out = widened_.data() + slot * rowLength_;
    if (held_[slot] == sourceRow) {
        return out;
    }
    held_[slot] = sourceRow;
    const std::size_t bands = std::size_t(picture_.bands);
    const std::uint8_t* row =
        picture_.samples.data() + std::size_t(sourceRow) * std::size_t(picture_.width) * bands;
    for (const Taps& t : across_) {
        for (std::size_t b = 0; b < bands; ++b) {
            int sum = 0;
            for (std::size_t k = 0; k < 4; ++k) {
                sum += t.weight[k] * row[static_cast<std::size_t>(t.index[k]) * bands + b];
            }
            *out++ = sum;
        }
    }
    return out - rowLength_;
}

void CubicEnlarger::Row(int y, std::uint8_t* out) {
    const Taps& t = down_[std::size_t(y)];
    std::array<const int*, 4> rows{};
    for (std::size_t k = 0; k < 4; ++k) {
        rows[k] = Widened(t.index[k]);
    }
    constexpr int roundingBoth = weightOne * weightOne / 2;
    for (std::size_t i = 0; i < rowLength_; ++i) {
        const long long sum = static_cast<long long>(t.weight[0]) * rows[0][i] +
                              static_cast<long long>(t.weight[1]) * rows[1][i] +
                              static_cast<long long>(t.weight[2]) * rows[2][i] +
                              static_cast<long long>(t.weight[3]) * rows[3][i];
        out[i] = Clamp8(static_cast<int>((sum + roundingBoth) / (weightOne * weightOne)));
    }
}

Pixels EnlargeCubic(const Pixels& picture, int width, int height) {
    CubicEnlarger enlarger(picture, width, height);
    Pixels result{width, height, picture.bands, {}};
    const std::size_t rowLength = std::size_t(width) * std::size_t(picture.bands);
    result.samples.resize(std::size_t(height) * rowLength);
    for (int y = 0; y < height; ++y) {
        enlarger.Row(y, result.samples.data() + std::size_t(y) * rowLength);
    }
    return result;
}
