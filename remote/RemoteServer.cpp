#include "remote/RemoteServer.h"

#include <QObject>

#ifdef _WIN32
#include "remote/PipeService.h"
#else
#include "remote/DBusService.h"
#endif

RemoteServer::RemoteServer(RemoteTarget& target) {
#ifdef _WIN32
    auto service = std::make_unique<PipeService>(target, RemotePipeName());
#else
    auto service = std::make_unique<DBusService>(target, QDBusConnection::sessionBus());
#endif
    listening_ = service->Registered();
    service_ = std::move(service);
}

RemoteServer::~RemoteServer() = default;
