#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <stop_token>
#include <thread>

/*
 * Turns Ctrl-C (SIGINT), SIGTERM and SIGHUP into a stop request, so that a
 * batch cancels its conversions at once, leaves no temporary file behind and
 * still prints its summary. A second signal ends the program at once, unless
 * it is the first one again within a few hundredths of a second (a tool that
 * signals both the process and its group delivers it twice). The
 * signals are blocked in every thread and taken by a thread of this object's
 * own, so they never interrupt a read or a write; make the object before any
 * other thread exists. Signals the caller ignores (nohup) stay ignored.
 */
class Interruption {
public:
    // onFirst runs on the watching thread when the first signal arrives.
    explicit Interruption(std::function<void()> onFirst = {});
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    std::stop_token Token() const { return stop.get_token(); }
    // The signal that asked to stop, or 0.
    int Requested() const { return first; }
    // Ends the process the way the signal would have, so a shell running it
    // in a loop sees the interrupt and stops too.
    [[noreturn]] static void Finish(int number);

private:
    void Watch(std::stop_token quit);

    sigset_t taken{}; // the handled signals not ignored, and the object's wake-up
    sigset_t previousMask{};
    std::function<void()> onFirst;
    std::stop_source stop;
    std::atomic<int> first{0};
    std::jthread watcher;
};
