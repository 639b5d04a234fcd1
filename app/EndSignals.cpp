#include "EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array handled{SIGTERM, SIGHUP, SIGINT};
// Read by the handler, which may run on any thread.
volatile std::sig_atomic_t writeEnd = -1;
volatile std::sig_atomic_t delivering = 0;

void OnSignal(int signal) {
    if (!delivering) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a signal that is still to be read.
    (void)!::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

void SetAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : handled)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default action
    readEnd = ends[0];
    writeEnd = ends[1];
    notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(readEnd, &byte, 1) == 1)
            Q_EMIT Received(byte);
    });
    SetAction(OnSignal);
}

void EndSignals::Deliver() {
    delivering = 1;
}

EndSignals::~EndSignals() {
    if (readEnd < 0)
        return;
    SetAction(SIG_DFL);
    delivering = 0;
    ::close(writeEnd);
    writeEnd = -1;
    ::close(readEnd);
}
