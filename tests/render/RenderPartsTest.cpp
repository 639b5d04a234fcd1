#include "CubicEnlarge.h"
#include "DecodeReservation.h"
#include "EvaluateHere.h"
#include "FailureReason.h"

#include <gtest/gtest.h>
#include <vips/vips8>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using vips::VImage;

// What the imaging library said of a failure becomes the reason a person reads: want of memory
// before anything else (a decoder that ran out of memory may go on to report data it could not
// read), then a picture too large; otherwise its last line, or that it said nothing.
TEST(FailureReason, PutsMemoryFirst) {
    const char* const rows[][2] = {
        {"gifload: Out of memory\ngifload: Unexpected end of file\n",
         "not enough memory to convert it"},
        {"VipsJpeg: Maximum supported image dimension is 65500 pixels\nVipsJpeg: Premature end\n",
         "the picture is too large to decode"},
        {"tiffload: first\ntiffload: what went wrong last \n", "tiffload: what went wrong last"},
        {"", "the imaging library failed without saying why"},
    };
    for (const auto& [text, reason] : rows) {
        EXPECT_EQ(ReasonOfFailure(text), reason) << text;
    }
}

// Reservations that fit together go side by side; one that does not waits until the room is
// given back, or gives up at a stop; one alone always goes, even over the budget.
TEST(DecodeBudget, ABigDecodeWaitsForRoomButNeverForEver) {
    constexpr std::uint64_t mb = 1 << 20;
    DecodeBudget budget(128 * mb);
    std::optional<DecodeReservation> first(std::in_place, budget, 100 * mb, std::stop_token());
    EXPECT_TRUE(DecodeReservation(budget, 20 * mb, {}).Granted()) << "fits beside it";

    std::atomic<bool> granted{false};
    std::jthread stopped([&](std::stop_token stop) {
        EXPECT_FALSE(DecodeReservation(budget, 100 * mb, stop).Granted()) << "stopped";
    });
    std::jthread second([&] { granted = DecodeReservation(budget, 200 * mb, {}).Granted(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(granted) << "over the budget beside the first";
    stopped.request_stop();
    stopped.join();
    first.reset();
    second.join();
    EXPECT_TRUE(granted) << "alone once the first is done, over the budget";
}

// Enlarged pictures come out as libvips' cubic enlargement, which the program used before, made
// them, to within its fixed-point rounding (a sample placed half a pixel off differs by a hundred
// levels), at whole and odd factors.
TEST(CubicEnlarge, MatchesTheEnlargementOfBefore) {
    const VImage noise = VImage::gaussnoise(64, 48, VImage::option()->set("seed", 9));
    const VImage colour =
        VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
    for (const double factor : {3.0, 1.25}) {
        SCOPED_TRACE(factor);
        const int width = int(64 * factor), height = int(48 * factor);
        EvaluatedHere source(colour);
        CubicEnlarger enlarger([&source](int y, std::uint8_t* row) { source.Row(y, row); }, 64, 48,
                               3, width, height);
        std::vector<std::uint8_t> samples(std::size_t(width * height * 3));
        for (int y = 0; y < height; ++y) {
            enlarger.Row(y, samples.data() + std::size_t(y * width * 3));
        }
        const VImage ours(vips_image_new_from_memory_copy(samples.data(), samples.size(), width,
                                                          height, 3, VIPS_FORMAT_UCHAR));
        const VImage before =
            colour.resize(factor, VImage::option()->set("kernel", VIPS_KERNEL_CUBIC));
        // Images of different sizes are compared on the larger, the smaller padded with black.
        EXPECT_LE((ours - before).abs().max(), 3);
    }
}
