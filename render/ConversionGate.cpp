#include "ConversionGate.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex mutex;
std::condition_variable_any changed;
int sharedRuns = 0;
int aloneWaiting = 0;
bool aloneRunning = false;
std::uint64_t entries = 0; // runs ever let in side by side

} // namespace

ConversionGate::Pass::Pass(bool isAlone, bool wasAlone, std::uint64_t number)
    : alone(isAlone), aloneAtEntry(wasAlone), entry(number) {}

ConversionGate::Pass::~Pass() {
    {
        const std::lock_guard lock(mutex);
        if (alone) {
            aloneRunning = false;
        } else {
            --sharedRuns;
        }
    }
    changed.notify_all();
}

bool ConversionGate::Pass::Overlapped() const {
    const std::lock_guard lock(mutex);
    return !alone && (!aloneAtEntry || entries != entry);
}

std::unique_ptr<ConversionGate::Pass> ConversionGate::Shared(std::stop_token stop) {
    std::unique_lock lock(mutex);
    // A run that waits to be alone goes first, or it might wait for ever.
    if (!changed.wait(lock, stop, [] { return !aloneRunning && aloneWaiting == 0; })) {
        return nullptr;
    }
    const bool wasAlone = sharedRuns == 0;
    ++sharedRuns;
    return std::unique_ptr<Pass>(new Pass(false, wasAlone, ++entries));
}

std::unique_ptr<ConversionGate::Pass> ConversionGate::Alone(std::stop_token stop) {
    std::unique_lock lock(mutex);
    ++aloneWaiting;
    const bool free = changed.wait(lock, stop, [] { return !aloneRunning && sharedRuns == 0; });
    --aloneWaiting;
    if (!free) {
        changed.notify_all();
        return nullptr;
    }
    aloneRunning = true;
    return std::unique_ptr<Pass>(new Pass(true, true, entries));
}
