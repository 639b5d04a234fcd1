#include "DecodeReservation.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

#include <condition_variable>
#include <mutex>

namespace {

// With the program's own 45 MB or so, two conversions stay under 200 MB.
constexpr std::uint64_t budget = std::uint64_t{128} << 20;

std::mutex mutex;
std::condition_variable_any released;
std::uint64_t reserved = 0;

} // namespace

std::uint64_t LargestDecode() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    std::uint64_t memory = pages > 0 && pageSize > 0
                               ? std::uint64_t(pages) * std::uint64_t(pageSize)
                               : std::uint64_t{8} << 30;
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        memory = std::min<std::uint64_t>(memory, limit.rlim_cur);
    }
    return memory / 2;
}

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
