#include "DecodeReservation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

// Reservations that fit together go side by side; one that does not waits until the room is
// given back, or gives up at a stop; one alone always goes, even over the budget.
TEST(DecodeBudget, ABigDecodeWaitsForRoomButNeverForEver) {
    constexpr std::uint64_t mb = 1 << 20;
    DecodeBudget budget(128 * mb);
    std::optional<DecodeReservation> first(std::in_place, budget, 100 * mb, std::stop_token());
    EXPECT_TRUE(DecodeReservation(budget, 20 * mb, {}).Granted()) << "fits beside it";

    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stop.request_stop();
    });
    EXPECT_FALSE(DecodeReservation(budget, 100 * mb, stop.get_token()).Granted()) << "stopped";

    std::atomic<bool> granted{false};
    std::jthread second([&] { granted = DecodeReservation(budget, 200 * mb, {}).Granted(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(granted) << "over the budget beside the first";
    first.reset();
    second.join();
    EXPECT_TRUE(granted) << "alone once the first is done, over the budget";
}
