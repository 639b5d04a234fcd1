#include "SingleInstance.h"

#include "HandoverMessage.h"

#include <QLocalSocket>
#include <QTimer>

namespace {

constexpr char takenReply = 'k';
// A client that has not sent its whole message by then is let go.
constexpr int clientPatienceMs = 10000;

} // namespace

QString InstanceSocketPath(const QString& runtimeFolder, const QString& appId,
                           const QString& display) {
    QString name = appId;
    if (!display.isEmpty())
        name += QLatin1Char('-') + QString(display).replace(QLatin1Char('/'), QLatin1Char('_'));
    return runtimeFolder + QLatin1Char('/') + name;
}

Handover HandOver(const QString& socketPath, const std::vector<DroppedItem>& items, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return Handover::noListener;
    socket.write(QByteArray::fromStdString(EncodeHandover(items)));
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(timeoutMs))
            return Handover::refused;
    if (!socket.waitForReadyRead(timeoutMs))
        return Handover::refused;
    return socket.read(1) == QByteArray(1, takenReply) ? Handover::taken : Handover::refused;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(*socket); });
            QTimer::singleShot(clientPatienceMs, socket, [socket] {
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
 * size beyond reason ends the connection at once.
 */
void InstanceServer::Read(QLocalSocket& socket) {
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
    const auto items = DecodeHandover(socket.read(whole).toStdString());
    if (!items) {
        socket.abort();
        return;
    }
    socket.write(QByteArray(1, takenReply));
    socket.disconnectFromServer();
    Q_EMIT Arrived(*items);
}
