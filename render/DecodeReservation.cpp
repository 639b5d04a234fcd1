#include "DecodeReservation.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

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

DecodeReservation::DecodeReservation(DecodeBudget& shared, std::uint64_t size, std::stop_token stop)
    : budget(shared), bytes(size) {
    if (bytes == 0) {
        granted = true;
        return;
    }
    std::unique_lock lock(budget.mutex);
    granted = budget.released.wait(lock, stop, [this] {
        return budget.reserved == 0 || budget.reserved + bytes <= budget.bytes;
    });
    if (granted) {
        budget.reserved += bytes;
    }
}

DecodeReservation::~DecodeReservation() {
    if (!granted || bytes == 0) {
        return;
    }
    {
        const std::lock_guard lock(budget.mutex);
        budget.reserved -= bytes;
    }
    budget.released.notify_all();
}
