#include "tests/remote/LocalSocketTransport.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

bool LocalSocketListening(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    const bool connected = socket.waitForConnected(timeoutMs);
    socket.abort();
    return connected;
}

std::optional<QByteArray> LocalSocketRequest(const QString& name, const QByteArray& line,
                                             int connectTimeoutMs, int answerTimeoutMs,
                                             QString* error) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(connectTimeoutMs)) {
        *error = socket.errorString();
        return std::nullopt;
    }
    socket.write(line);
    const QDeadlineTimer deadline(answerTimeoutMs);
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            break;
        }
    }
    if (!socket.canReadLine()) {
        *error = QStringLiteral("no answer came back");
        return std::nullopt;
    }
    return socket.readLine();
}
