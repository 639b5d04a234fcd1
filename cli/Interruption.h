#pragma once

#include <csignal>

// Turns Ctrl-C (SIGINT), SIGTERM and SIGHUP into a request to stop once the
// file being written is complete, so that no temporary file is left behind
// and the summary still appears. A second signal ends the program at once.
// While the object lives the handlers are in place; the previous ones come
// back when it goes.
class Interruption {
public:
    Interruption();
    ~Interruption();
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // The signal that asked to stop, or 0.
    static int Requested();
    // Ends the process the way the signal would have, so a shell running it
    // in a loop sees the interrupt and stops too.
    [[noreturn]] static void Finish(int number);

private:
    struct sigaction previous[3];
};
