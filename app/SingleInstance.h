#pragma once

#include "DropBatch.h"

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class EndSignals;
class QLocalSocket;

/*
 * One dialog per user and desktop: the running dialog listens on a local
 * socket in the user's runtime folder, and a second start hands its files
 * there instead of opening a dialog of its own.
 */

// The socket's path: runtimeFolder, the program's id and the desktop's
// display name (a Wayland display may be a path of its own).
QString InstanceSocketPath(const QString& runtimeFolder, const QString& appId,
                           const QString& display);

enum class Handover {
    noListener, // nothing answers at the socket: this start is the one
    taken,      // the running dialog took the files
    refused,    // something answered but did not take them in time: it never will
};

// Hands items to the dialog listening at socketPath, waiting up to timeoutMs
// for each step. The dialog takes them only once this end has its answer, so
// files reported as refused are never converted.
Handover HandOver(const QString& socketPath, const std::vector<DroppedItem>& items, int timeoutMs);

// The running dialog's end: Arrived carries each well-formed handover once
// its sender has heard the answer; anything else is dropped without one.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);

    // Listens at socketPath, in place of a socket that a crashed run left
    // behind; only to be called once HandOver found no listener there.
    bool Listen(const QString& socketPath);

Q_SIGNALS:
    void Arrived(const std::vector<DroppedItem>& items);

private:
    void Read(QLocalSocket& socket, std::optional<std::vector<DroppedItem>>& received);

    QLocalServer server;
};

// Hands files to the dialog already running on this desktop, or else makes
// server the one that later starts hand theirs to, with endSignals delivered.
// Gives the exit status when this start is over; none when it is to open the
// dialog.
std::optional<int> HandToRunningDialog(InstanceServer& server,
                                       const std::vector<DroppedItem>& files,
                                       EndSignals& endSignals);
