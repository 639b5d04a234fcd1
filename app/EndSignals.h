#pragma once

#include <QObject>

class QSocketNotifier;

/*
 * SIGTERM and SIGHUP (a logout, a session manager) and SIGINT (Ctrl-C in the
 * terminal the dialog was started from) as a Qt signal on the thread that
 * made this object: their default action ends the process at once, in the
 * middle of a batch and leaving the instance socket behind. The handler only
 * writes the signal's number into a pipe, which is all a handler may safely
 * do; a notifier reads it in the event loop. One object per process; its end
 * gives the signals their default action back.
 */
class EndSignals : public QObject {
    Q_OBJECT
public:
    explicit EndSignals(QObject* parent = nullptr);
    ~EndSignals() override;
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Until this is called the signals keep their default action (a start
    // that only hands its files over ends at once); from then on they arrive
    // as Received, also those that come before the event loop runs.
    void Deliver();

Q_SIGNALS:
    void Received(int signal);

private:
    int readEnd = -1;
    QSocketNotifier* notifier = nullptr;
};
