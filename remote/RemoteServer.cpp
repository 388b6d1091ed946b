#include "remote/RemoteServer.h"

#include <QObject>

#ifdef _WIN32
#include "remote/LocalSocketMessages.h"
#include "remote/LocalSocketService.h"
#else
#include "remote/DBusService.h"
#endif

RemoteServer::RemoteServer(RemoteTarget& target) {
#ifdef _WIN32
    auto service = std::make_unique<LocalSocketService>(target, LocalSocketName());
#else
    auto service = std::make_unique<DBusService>(target, QDBusConnection::sessionBus());
#endif
    listening_ = service->Registered();
    service_ = std::move(service);
}

RemoteServer::~RemoteServer() = default;
