#include "Interruption.h"

#include <cstdlib>
#include <ctime>
#include <pthread.h>
#include <utility>

namespace {

constexpr int handled[] = {SIGINT, SIGTERM, SIGHUP};

} // namespace

Interruption::Interruption(std::function<void()> firstSignal) : onFirst(std::move(firstSignal)) {
    sigemptyset(&taken);
    for (const int number : handled) {
        struct sigaction current {};
        ::sigaction(number, nullptr, &current);
        if (current.sa_handler != SIG_IGN)
            sigaddset(&taken, number);
    }
    ::pthread_sigmask(SIG_BLOCK, &taken, &previousMask);
    watcher = std::jthread([this](std::stop_token quit) { Watch(std::move(quit)); });
}

Interruption::~Interruption() {
    watcher.request_stop();
    watcher.join();
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

// Waits in short slices so that the object can go without a signal.
void Interruption::Watch(std::stop_token quit) {
    const timespec slice{0, 100'000'000};
    while (!quit.stop_requested()) {
        const int number = ::sigtimedwait(&taken, nullptr, &slice);
        if (number <= 0)
            continue;
        if (first != 0)
            Finish(number);
        first = number;
        if (onFirst)
            onFirst();
        stop.request_stop();
    }
}

void Interruption::Finish(int number) {
    std::signal(number, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(number);
    std::_Exit(128 + number);
}
