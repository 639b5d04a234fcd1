#include "CubicEnlarge.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace {

// Weights in 1/4096ths: the four taps of one output position sum to 4096
// exactly, so a flat area stays exactly flat.
constexpr int weightBits = 12;
constexpr int weightOne = 1 << weightBits;

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

// The widened rows keep 7 bits below the sample, so that the second pass
// fits 32-bit sums, which vectorise.
constexpr int widenedShift = 5;
constexpr int outputShift = 2 * weightBits - widenedShift;

// A row enlarged across: inlined where it is called with three bands, so
// that the common case has its band loop unrolled.
[[gnu::always_inline]] inline void Widen(const std::uint8_t* row,
                                         const std::vector<CubicEnlarger::Taps>& across,
                                         std::size_t bands, std::int32_t* out) {
    for (const CubicEnlarger::Taps& t : across) {
        const std::uint8_t* p0 = row + std::size_t(t.index[0]) * bands;
        const std::uint8_t* p1 = row + std::size_t(t.index[1]) * bands;
        const std::uint8_t* p2 = row + std::size_t(t.index[2]) * bands;
        const std::uint8_t* p3 = row + std::size_t(t.index[3]) * bands;
        for (std::size_t b = 0; b < bands; ++b) {
            const int sum = t.weight[0] * p0[b] + t.weight[1] * p1[b] + t.weight[2] * p2[b] +
                            t.weight[3] * p3[b];
            *out++ = (sum + (1 << (widenedShift - 1))) >> widenedShift;
        }
    }
}

// The second pass: one output row from the four widened rows under it, where
// an enlargement spends most of its time.
[[gnu::always_inline]] inline void Blend(const std::int32_t* const* rows, const int* weight,
                                         std::uint8_t* out, std::size_t length) {
    const std::int32_t* r0 = rows[0];
    const std::int32_t* r1 = rows[1];
    const std::int32_t* r2 = rows[2];
    const std::int32_t* r3 = rows[3];
    const std::int32_t w0 = weight[0], w1 = weight[1], w2 = weight[2], w3 = weight[3];
    constexpr std::int32_t rounding = 1 << (outputShift - 1);
    for (std::size_t i = 0; i < length; ++i) {
        const std::int32_t sum = w0 * r0[i] + w1 * r1[i] + w2 * r2[i] + w3 * r3[i] + rounding;
        out[i] = static_cast<std::uint8_t>(std::clamp(sum >> outputShift, 0, 255));
    }
}

// The second pass built for AVX2 as well, picked when the processor has it.
// Picked by hand, not by an ifunc: a resolver runs before the sanitizers'
// runtimes start, and crashes under them.
using BlendFunction = void (*)(const std::int32_t* const*, const int*, std::uint8_t*, std::size_t);

[[gnu::target("avx2")]] void BlendAvx2(const std::int32_t* const* rows, const int* weight,
                                       std::uint8_t* out, std::size_t length) {
    Blend(rows, weight, out, length);
}

void BlendPlain(const std::int32_t* const* rows, const int* weight, std::uint8_t* out,
                std::size_t length) {
    Blend(rows, weight, out, length);
}

BlendFunction ChosenBlend() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? BlendAvx2 : BlendPlain;
}

} // namespace

CubicEnlarger::CubicEnlarger(Rows picture, int pictureWidth, int pictureHeight, int bands,
                             int width, int height)
    : picture_(std::move(picture)), pictureRow_(std::size_t(pictureWidth) * std::size_t(bands)),
      bands_(std::size_t(bands)), across_(TapsFor(pictureWidth, width)),
      down_(TapsFor(pictureHeight, height)), rowLength_(std::size_t(width) * bands_),
      widened_(4 * rowLength_) {}

// A source row enlarged across, keeping 7 more bits of each sample for the
// second pass. The four rows an output row needs are consecutive (clamped at
// the edges), so no two of them share a slot.
const std::int32_t* CubicEnlarger::Widened(int sourceRow) {
    const std::size_t slot = std::size_t(sourceRow) % 4;
    std::int32_t* out = widened_.data() + slot * rowLength_;
    if (held_[slot] != sourceRow) {
        held_[slot] = sourceRow;
        picture_(sourceRow, pictureRow_.data());
        if (bands_ == 3) {
            Widen(pictureRow_.data(), across_, 3, out);
        } else {
            Widen(pictureRow_.data(), across_, bands_, out);
        }
    }
    return out;
}

void CubicEnlarger::Row(int y, std::uint8_t* out) {
    const Taps& t = down_[std::size_t(y)];
    std::array<const std::int32_t*, 4> rows{};
    for (std::size_t k = 0; k < 4; ++k) {
        rows[k] = Widened(t.index[k]);
    }
    static const BlendFunction blend = ChosenBlend();
    blend(rows.data(), t.weight.data(), out, rowLength_);
}
