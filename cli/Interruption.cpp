#include "Interruption.h"

#include <cstdlib>

namespace {

constexpr int handled[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t requested = 0;

void Request(int number) {
    requested = number;
}

} // namespace

Interruption::Interruption() {
    struct sigaction action {};
    action.sa_handler = Request;
    sigemptyset(&action.sa_mask);
    // Whichever thread the signal reaches, it only sets the flag; reads in
    // progress carry on (SA_RESTART), and the second signal is not caught.
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);
    for (int i = 0; i < 3; ++i) {
        ::sigaction(handled[i], nullptr, &previous[i]);
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (previous[i].sa_handler != SIG_IGN)
            ::sigaction(handled[i], &action, nullptr);
    }
}

Interruption::~Interruption() {
    for (int i = 0; i < 3; ++i)
        ::sigaction(handled[i], &previous[i], nullptr);
}

int Interruption::Requested() {
    return requested;
}

void Interruption::Finish(int number) {
    std::signal(number, SIG_DFL);
    std::raise(number);
    std::_Exit(128 + number);
}
