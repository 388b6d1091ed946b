#include "remote/LocalSocketChannel.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

#include "remote/LocalSocketMessages.h"

namespace {

constexpr int kConnectTimeoutMs = 1000;

}  // namespace

LocalSocketChannel::LocalSocketChannel(const QString& name, int callTimeoutMs)
    : name_(name), callTimeoutMs_(callTimeoutMs) {}

bool LocalSocketChannel::CopyRunning() const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    const bool connected = socket.waitForConnected(kConnectTimeoutMs);
    socket.abort();
    return connected;
}

Outcome LocalSocketChannel::Send(const RemoteRequest& request) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return Outcome::Failed(QStringLiteral("cannot reach the running copy: ") +
                               socket.errorString());
    }
    socket.write(EncodeRequest(request));
    const QDeadlineTimer deadline(callTimeoutMs_);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
    }
    if (!socket.canReadLine()) {
        return Outcome::Failed(QStringLiteral("the running copy did not answer"));
    }
    return DecodeOutcome(socket.readLine());
}
