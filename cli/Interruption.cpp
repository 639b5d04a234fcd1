#include "Interruption.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <pthread.h>
#include <utility>

namespace {

constexpr int handled[] = {SIGINT, SIGTERM, SIGHUP};

// Sent by the object to its own thread when it goes, so that the thread
// waits for signals without a timeout and the program ends without delay.
int WakeSignal() {
    return SIGRTMIN;
}

// Tools that signal both a process and its group (timeout, some service
// managers) deliver one signal twice within microseconds; no person presses
// Ctrl-C twice within this.
constexpr long sameInterruptionNs = 50'000'000;

timespec Later(timespec time, long ns) {
    time.tv_nsec += ns;
    time.tv_sec += time.tv_nsec / 1'000'000'000;
    time.tv_nsec %= 1'000'000'000;
    return time;
}

long NsUntil(const timespec& end) {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return (end.tv_sec - now.tv_sec) * 1'000'000'000 + (end.tv_nsec - now.tv_nsec);
}

// Takes every further `number` that arrives until `end`, and one already
// waiting when that is past.
void SwallowRepeats(int number, const timespec& end) {
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, number);
    long left = 0;
    do {
        left = std::max(0L, NsUntil(end));
        const timespec wait{left / 1'000'000'000, left % 1'000'000'000};
        ::sigtimedwait(&only, nullptr, &wait);
    } while (left > 0);
}

} // namespace

Interruption::Interruption(std::function<void()> firstSignal) : onFirst(std::move(firstSignal)) {
    sigemptyset(&taken);
    for (const int number : handled) {
        struct sigaction current {};
        ::sigaction(number, nullptr, &current);
        if (current.sa_handler != SIG_IGN)
            sigaddset(&taken, number);
    }
    sigaddset(&taken, WakeSignal());
    ::pthread_sigmask(SIG_BLOCK, &taken, &previousMask);
    watcher = std::jthread([this](std::stop_token quit) { Watch(std::move(quit)); });
}

Interruption::~Interruption() {
    watcher.request_stop();
    ::pthread_kill(watcher.native_handle(), WakeSignal());
    watcher.join();
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
}

// The same signal again within moments of the first is the same
// interruption, delivered twice; any later one, or another signal, ends the
// program.
void Interruption::Watch(std::stop_token quit) {
    for (;;) {
        const int number = ::sigwaitinfo(&taken, nullptr);
        if (quit.stop_requested())
            return;
        if (number <= 0 || number == WakeSignal())
            continue;
        if (first != 0)
            Finish(number);
        timespec arrived{};
        ::clock_gettime(CLOCK_MONOTONIC, &arrived);
        first = number;
        if (onFirst)
            onFirst();
        stop.request_stop();
        SwallowRepeats(number, Later(arrived, sameInterruptionNs));
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
