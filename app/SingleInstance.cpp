#include "SingleInstance.h"

#include "EndSignals.h"
#include "HandoverMessage.h"

#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

// The dialog's answer once it has the whole message, and the sender's word
// that it is still there to hear it: only then are the files taken.
constexpr char takenReply = 'k';
constexpr char stillThere = 'c';
// A client that has not sent its whole message by then is let go.
constexpr int clientPatienceMs = 10000;
// How long a later start waits for each step of its handover.
constexpr int handoverTimeoutMs = 5000;

// Empty when the user has no runtime folder: the dialog then runs on its own.
QString SocketPath() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    return InstanceSocketPath(runtime, QStringLiteral(QUILLMERE_APP_ID),
                              wayland.isEmpty() ? qEnvironmentVariable("DISPLAY") : wayland);
}

} // namespace

QString InstanceSocketPath(const QString& runtimeFolder, const QString& appId,
                           const QString& display) {
    QString name = appId;
    if (!display.isEmpty())
        name += QLatin1Char('-') + QString(display).replace(QLatin1Char('/'), QLatin1Char('_'));
    return runtimeFolder + QLatin1Char('/') + name;
}

/*
 * A sender that gave up waiting (the dialog was stopped, or busy past the
 * timeout) says so by closing without its word, so the dialog never takes
 * what the sender reports as not taken. Once the word is written the files
 * are the dialog's, even if it reads the word only later.
 */
Handover HandOver(const QString& socketPath, const std::vector<DroppedItem>& items, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return Handover::noListener;
    socket.write(QByteArray::fromStdString(EncodeHandover(items)));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(timeoutMs))
            return Handover::refused;
    if (!socket.waitForReadyRead(timeoutMs) || socket.read(1) != QByteArray(1, takenReply))
        return Handover::refused;
    socket.write(QByteArray(1, stillThere));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(timeoutMs))
            return Handover::refused;
    return Handover::taken;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            auto received = std::make_shared<std::optional<std::vector<DroppedItem>>>();
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                    [this, socket, received] { Read(*socket, *received); });
            // What came before the patience ran out still counts: a dialog
            // that was stopped meets both at once when it goes on.
            QTimer::singleShot(clientPatienceMs, socket, [this, socket, received] {
                Read(*socket, *received);
                socket->abort();
                socket->deleteLater();
            });
        }
    });
}

bool InstanceServer::Listen(const QString& socketPath) {
    QLocalServer::removeServer(socketPath);
    return server.listen(socketPath);
}

/*
 * The header says how much is to come before any of it is waited for, and a
 * size beyond reason ends the connection at once. A whole message is
 * answered, and its items arrive once the sender's word follows.
 */
void InstanceServer::Read(QLocalSocket& socket, std::optional<std::vector<DroppedItem>>& received) {
    if (socket.state() != QLocalSocket::ConnectedState && socket.bytesAvailable() == 0)
        return;
    if (received) {
        if (socket.bytesAvailable() < 1)
            return;
        const bool there = socket.read(1) == QByteArray(1, stillThere);
        socket.disconnectFromServer();
        if (there)
            Q_EMIT Arrived(*std::exchange(received, std::nullopt));
        return;
    }
    if (socket.bytesAvailable() < static_cast<qint64>(handoverHeaderSize))
        return;
    const auto bodySize = HandoverBodySize(socket.peek(handoverHeaderSize).toStdString());
    if (!bodySize) {
        socket.abort();
        return;
    }
    const auto whole = static_cast<qint64>(handoverHeaderSize + *bodySize);
    if (socket.bytesAvailable() < whole)
        return;
    received = DecodeHandover(socket.read(whole).toStdString());
    if (!received) {
        socket.abort();
        return;
    }
    socket.write(QByteArray(1, takenReply));
    socket.flush();
    // The word may have come with the message.
    if (socket.bytesAvailable() > 0)
        Read(socket, received);
}

// The lock keeps two starts at one moment from both taking the socket.
std::optional<int> HandToRunningDialog(InstanceServer& server,
                                       const std::vector<DroppedItem>& files,
                                       EndSignals& endSignals) {
    const QString socketPath = SocketPath();
    if (socketPath.isEmpty())
        return std::nullopt;
    QLockFile startLock(socketPath + QStringLiteral(".lock"));
    startLock.tryLock(2 * handoverTimeoutMs);
    switch (HandOver(socketPath, files, handoverTimeoutMs)) {
    case Handover::taken:
        return 0;
    case Handover::refused:
        std::fprintf(stderr, "quillmere: the running Quillmere did not answer, so it will not "
                             "convert the files\n");
        return 1;
    case Handover::noListener:
        break;
    }
    // From here on a logout ends the dialog the usual way, socket and all.
    endSignals.Deliver();
    if (!server.Listen(socketPath))
        std::fprintf(stderr,
                     "quillmere: cannot listen at %s; a second start will open a second "
                     "dialog\n",
                     qPrintable(socketPath));
    return std::nullopt;
}
