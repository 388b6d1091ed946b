#include "tests/remote/LocalSocketService.h"

#include <QLocalSocket>

#include "remote/LocalSocketMessages.h"
#include "tests/remote/LocalSocketTransport.h"

namespace {

// A request line longer than this is not one; the connection is dropped.
constexpr qint64 kMaxRequestBytes = 64 * 1024;
constexpr int kConnectTimeoutMs = 1000;

}  // namespace

LocalSocketService::LocalSocketService(RemoteTarget& target, const QString& name)
    : target_(target) {
    // Listening would take the name over from a copy that answers on it: neither Windows
    // pipes nor a Unix socket file refuse a second server by themselves.
    if (LocalSocketListening(name, kConnectTimeoutMs)) {
        return;
    }
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &LocalSocketService::Accept);
    server_.listen(name);
}

void LocalSocketService::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
    }
}

void LocalSocketService::Answer(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestBytes) {
            socket->abort();
        }
        return;
    }
    socket->write(AnswerRequestLine(target_, socket->readLine(), this));
    socket->disconnectFromServer();
}
