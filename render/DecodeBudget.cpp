#include "DecodeBudget.h"

#include <condition_variable>
#include <mutex>

namespace {

// With the program's own 45 MB or so, two conversions stay under 200 MB.
constexpr std::uint64_t budget = std::uint64_t{128} << 20;

std::mutex mutex;
std::condition_variable_any released;
std::uint64_t reserved = 0;

} // namespace

DecodeReservation::DecodeReservation(std::uint64_t size, std::stop_token stop) : bytes(size) {
    if (bytes == 0) {
        granted = true;
        return;
    }
    std::unique_lock lock(mutex);
    granted =
        released.wait(lock, stop, [this] { return reserved == 0 || reserved + bytes <= budget; });
    if (granted) {
        reserved += bytes;
    }
}

DecodeReservation::~DecodeReservation() {
    if (!granted || bytes == 0) {
        return;
    }
    {
        const std::lock_guard lock(mutex);
        reserved -= bytes;
    }
    released.notify_all();
}
