#include "remote/DBusChannel.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "remote/RemoteNames.h"

namespace {

QList<QVariant> Arguments(const RemoteRequest& request) {
    switch (request.command) {
        case RemoteCommand::Clone:
            if (!request.look.Empty()) {
                return {request.window,
                        request.display,
                        request.keep,
                        LookModeText(request.look),
                        LookCropText(request.look),
                        LookTurnText(request.look)};
            }
            return {request.window, request.display, request.natural};
        case RemoteCommand::Release:
        case RemoteCommand::Forget:
            return {request.window, request.display};
        case RemoteCommand::SetPointer:
            return {request.pointer};
        default:
            return {};
    }
}

// The method: a clone to keep goes to Keep, which takes Clone's arguments; one with a mode,
// crop or transform to CloneWith.
QString MethodName(const RemoteRequest& request) {
    if (request.command == RemoteCommand::Clone && !request.look.Empty()) {
        return QStringLiteral("CloneWith");
    }
    return request.command == RemoteCommand::Clone && request.keep ? QStringLiteral("Keep")
                                                                   : CommandName(request.command);
}

}  // namespace

DBusChannel::DBusChannel(const QDBusConnection& connection, int callTimeoutMs)
    : connection_(connection), callTimeoutMs_(callTimeoutMs) {}

std::unique_ptr<DBusChannel> DBusChannel::OwnSessionConnection() {
    // Registering a type of the bus library before its connection thread starts keeps the
    // type registry alive until that thread has stopped when the process ends; otherwise a
    // message still arriving then meets types already gone, and the library complains.
    qRegisterMetaType<QDBusMessage>();
    const QString name = QStringLiteral("vantrel-command-line");
    auto channel = std::make_unique<DBusChannel>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, name));
    channel->owned_ = true;
    return channel;
}

DBusChannel::~DBusChannel() {
    if (owned_) {
        QDBusConnection::disconnectFromBus(connection_.name());
    }
}

QString DBusChannel::Unreachable() const {
    if (connection_.isConnected()) {
        return {};
    }
    const QString why = connection_.lastError().message();
    return QStringLiteral("cannot reach the D-Bus session bus") +
           (why.isEmpty() ? QString() : QStringLiteral(": ") + why);
}

bool DBusChannel::CopyRunning() const {
    const QDBusConnectionInterface* bus = connection_.interface();
    return bus != nullptr &&
           bus->isServiceRegistered(QString::fromLatin1(kRemoteServiceName)).value();
}

Outcome DBusChannel::Send(const RemoteRequest& request) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kRemoteServiceName), QString::fromLatin1(kRemoteObjectPath),
        QString::fromLatin1(kRemoteInterface), MethodName(request));
    call.setArguments(Arguments(request));
    const QDBusMessage reply = connection_.call(call, QDBus::Block, callTimeoutMs_);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (reply.errorName() == QLatin1String(kRemoteFailedError)) {
            return Outcome::Failed(reply.errorMessage());
        }
        return Outcome::Failed(QStringLiteral("the running copy did not answer: ") +
                               reply.errorMessage());
    }
    const QList<QVariant> values = reply.arguments();
    return Outcome::Done(values.isEmpty() ? QString() : values.constFirst().toString());
}
