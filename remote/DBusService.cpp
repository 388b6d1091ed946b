#include "remote/DBusService.h"

#include <QDBusConnectionInterface>
#include <QMetaObject>

#include "remote/RemoteNames.h"

DBusService::DBusService(RemoteTarget& target, const QDBusConnection& connection)
    : target_(target), connection_(connection) {
    if (!connection_.isConnected()) {
        return;
    }
    // The object first, so that whoever sees the name appear finds the object there.
    if (!connection_.registerObject(QString::fromLatin1(kRemoteObjectPath), this,
                                    QDBusConnection::ExportAllSlots)) {
        return;
    }
    registered_ = connection_.registerService(QString::fromLatin1(kRemoteServiceName));
    if (!registered_) {
        connection_.unregisterObject(QString::fromLatin1(kRemoteObjectPath));
    }
}

DBusService::~DBusService() {
    if (registered_) {
        connection_.unregisterService(QString::fromLatin1(kRemoteServiceName));
        connection_.unregisterObject(QString::fromLatin1(kRemoteObjectPath));
    }
}

QString DBusService::Run(const RemoteRequest& request) {
    const Outcome outcome = Dispatch(target_, request);
    if (!outcome.Succeeded() && calledFromDBus()) {
        sendErrorReply(QString::fromLatin1(kRemoteFailedError), outcome.message);
        return {};
    }
    return outcome.message;
}

QString DBusService::List() {
    return Run(MakeRequest(RemoteCommand::List));
}

void DBusService::Clone(const QString& window, int display, bool natural) {
    RemoteRequest request = MakeRequest(RemoteCommand::Clone, window, display);
    request.natural = natural;
    Run(request);
}

void DBusService::Release(const QString& window, int display) {
    Run(MakeRequest(RemoteCommand::Release, window, display));
}

void DBusService::Keep(const QString& window, int display, bool natural) {
    RemoteRequest request = MakeRequest(RemoteCommand::Clone, window, display);
    request.natural = natural;
    request.keep = true;
    Run(request);
}

void DBusService::CloneWith(const QString& window, int display, bool keep, const QString& mode,
                            const QString& crop, const QString& transform) {
    RemoteRequest request = MakeRequest(RemoteCommand::Clone, window, display);
    request.keep = keep;
    if (const QString why = ReadLook(mode, crop, transform, request.look); !why.isEmpty()) {
        if (calledFromDBus()) {
            sendErrorReply(QString::fromLatin1(kRemoteFailedError), why);
        }
        return;
    }
    Run(request);
}

void DBusService::Forget(const QString& window, int display) {
    Run(MakeRequest(RemoteCommand::Forget, window, display));
}

void DBusService::Identify() {
    Run(MakeRequest(RemoteCommand::Identify));
}

void DBusService::Show() {
    Run(MakeRequest(RemoteCommand::Show));
}

void DBusService::Hide() {
    Run(MakeRequest(RemoteCommand::Hide));
}

void DBusService::Quit() {
    // The answer goes out when this returns; the program ends on the next turn of the loop.
    QMetaObject::invokeMethod(
        this, [this] { target_.Quit(); }, Qt::QueuedConnection);
}

void DBusService::SetPointer(bool visible) {
    RemoteRequest request = MakeRequest(RemoteCommand::SetPointer);
    request.pointer = visible;
    Run(request);
}
